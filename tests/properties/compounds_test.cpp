// Compound list, constants, temperature- and pressure-dependent properties and universal
// constants on real substances of the substitute host's databank.
#include <cmath>
#include <string>
#include <vector>

#include "brixel/framework/status.h"
#include "support/unit_fixture.h"

namespace brixel::testing {
namespace {

// Published values the host's correlations must reproduce (CRC Handbook; IAPWS for water).
constexpr double kAtmosphere = 101325.0;         // Pa
constexpr double kWaterBoilingPoint = 373.124;   // K at 101325 Pa
constexpr double kWaterVaporization = 40.65e3;   // J/mol at 373.15 K (2256.4 kJ/kg)
constexpr double kWaterDensityAt298 = 997.05;    // kg/m3
constexpr double kNitrogenBoilingPoint = 77.35;  // K at 101325 Pa
constexpr double kQuartzDensity = 2648.0;        // kg/m3

class CompoundUnit : public TestUnit {
  public:
    using CBrixelBaseUnit::isIon;

    double T(const wchar_t* property, double t, const wchar_t* id, long status = kStatusOk,
             int phase = -9999) {
        double value = -1.0;
        EXPECT_EQ(GetTDependentProperty(CComBSTR(property), t, CComBSTR(id), &value, phase),
                  status);
        return value;
    }
    double P(const wchar_t* property, double p, const wchar_t* id, long status = kStatusOk) {
        double value = -1.0;
        EXPECT_EQ(GetPDependentProperty(CComBSTR(property), p, CComBSTR(id), &value), status);
        return value;
    }
    double Constant(const wchar_t* property, const wchar_t* id, long status = kStatusOk) {
        CComVariant value;
        EXPECT_EQ(GetCompoundConstant(CComBSTR(property), CComBSTR(id), &value), status);
        return value.vt == VT_R8 ? value.dblVal : -1.0;
    }
};

template <typename T>
std::vector<T> Elements(const CComSafeArray<T>& list) {
    std::vector<T> elements;
    for (long i = list.GetLowerBound(); i <= list.GetUpperBound(); ++i) {
        elements.push_back(list.GetAt(i));
    }
    return elements;
}

std::vector<std::string> Texts(const CComSafeArray<BSTR>& list) {
    std::vector<std::string> texts;
    for (const BSTR text : Elements(list)) {
        texts.push_back(ToStdString(text));
    }
    return texts;
}

CComSafeArray<BSTR> Names(std::initializer_list<const wchar_t*> texts) {
    CComSafeArray<BSTR> list;
    for (const wchar_t* text : texts) {
        list.Add(CComBSTR(text));
    }
    return list;
}

// Water, nitrogen, quartz and coal (non-conventional): humid nitrogen with sand and coal. Built
// in a base so that the unit below is made on the finished host.
class CompoundHost : public ::testing::Test {
  protected:
    CompoundHost() {
        host.AddDatabankComponent("WATER");
        host.AddDatabankComponent("N2");
        host.AddDatabankComponent("SIO2");
        host.AddNonconventionalComponent("COAL");
        const int64_t streamClass =
            host.AddStreamClass("MIXCINC", {{"MIXED", 1, {}}, {"CISOLID", 2, {}}, {"NC", 3, {}}});
        plex::SetupFromHost();
        inlet = host.AddStream(streamClass);
        const std::vector<std::vector<double>> flows{{0.02, 1.0, 0.0}, {0.0, 0.0, 0.1}, {0.5}};
        for (int k = 0; k < 3; ++k) {
            host::SubstreamState state;
            state.flows = flows[static_cast<std::size_t>(k)];
            state.temperature = 350.0;
            state.pressure = 2e5;
            host.SetSubstream(inlet, k, state);
        }
        block = &host.AddBlock("B1", {inlet}, {host.AddStream(streamClass)});
    }

    host::SubstituteHost host;
    int64_t inlet = 0;
    host::Block* block = nullptr;
};

class CompoundsTest : public CompoundHost {
  protected:
    void Bind() {
        unit.SetStreamBeads(&counts[0], block->inlets.data(), &counts[1], block->outlets.data());
        int64_t unused = 0;
        unit.SetQuarnParams(&unused, block->methodSet.data(), &unused, block->statusBlock.data());
    }

    std::vector<double> Inlet() {
        return {host.StreamVector(inlet), host.StreamVector(inlet) + host.VectorLength(inlet)};
    }

    std::array<int64_t, 2> counts{1, 1};
    CompoundUnit unit;
};

TEST_F(CompoundsTest, WithoutAnInletListsFailAndValuesStayUntouched) {
    int count = -1;
    CComSafeArray<BSTR> ids(2);
    EXPECT_EQ(unit.GetNumCompounds(&count), kStatusFail);
    EXPECT_EQ(unit.GetCompoundList(ids), kStatusFail);
    EXPECT_EQ(unit.GetCompoundFormulae(ids), kStatusFail);
    EXPECT_EQ(ids.GetCount(), 2u);
    EXPECT_EQ(unit.Constant(L"molecularWeight", L"WATER"), -1.0);
    EXPECT_EQ(unit.T(L"vaporPressure", 373.15, L"WATER"), -1.0);
    EXPECT_EQ(unit.P(L"boilingPointTemperature", kAtmosphere, L"WATER"), -1.0);
    EXPECT_TRUE(unit.GetInternalStreams().empty());
}

TEST_F(CompoundsTest, CompoundListPutsTheNonconventionalComponentsLast) {
    Bind();
    int count = 0;
    ASSERT_EQ(unit.GetNumCompounds(&count), kStatusOk);
    EXPECT_EQ(count, 4);
    CComSafeArray<BSTR> ids(7), formulae(1), names, cas;  // replaced whatever they hold
    CComSafeArray<double> boilingPoints(2), weights;
    ASSERT_EQ(unit.GetCompoundList(ids, formulae, names, boilingPoints, weights, cas), kStatusOk);
    const std::vector<std::string> expectedIds{"WATER", "N2", "SIO2", "COAL"};
    EXPECT_EQ(Texts(ids), expectedIds);
    EXPECT_EQ(Texts(names), expectedIds);
    EXPECT_EQ(Texts(formulae), (std::vector<std::string>{"H2O", "N2", "SIO2", "PSEUDOCOMPONENT"}));
    EXPECT_EQ(Texts(cas),
              (std::vector<std::string>{"7732-18-5", "7727-37-9", "7631-86-9", "000-00-0000"}));
    EXPECT_EQ(Elements(boilingPoints),
              (std::vector<double>{373.15, 77.35, 3223.0, CBrixelBaseUnit::m_dblRMiss}));
    EXPECT_EQ(Elements(weights), (std::vector<double>{18.015, 28.014, 60.084, 1.0}));
    CComSafeArray<BSTR> onlyIds, onlyFormulae;
    ASSERT_EQ(unit.GetCompoundList(onlyIds), kStatusOk);
    ASSERT_EQ(unit.GetCompoundFormulae(onlyFormulae), kStatusOk);
    EXPECT_EQ(Texts(onlyIds), expectedIds);
    EXPECT_EQ(Texts(onlyFormulae), Texts(formulae));
    // Positions count each kind from 0.
    EXPECT_EQ(unit.GetComponentIndex(CComBSTR(L"SiO2")), 2);
    EXPECT_EQ(unit.GetComponentIndex(CComBSTR(L"coal")), 0);
    long thrown = 0;
    try {
        unit.GetComponentIndex(CComBSTR(L"WATE"));
    } catch (long status) {
        thrown = status;
    }
    EXPECT_EQ(thrown, kStatusFail);
}

TEST_F(CompoundsTest, ConstantsComeFromTheHostParametersInSiUnits) {
    Bind();
    EXPECT_DOUBLE_EQ(unit.Constant(L"molecularWeight", L"WATER"), 0.018015);  // kg/mol
    EXPECT_DOUBLE_EQ(unit.Constant(L"MOLECULARWEIGHT", L"n2"), 0.028014);
    EXPECT_DOUBLE_EQ(unit.Constant(L"normalBoilingPoint", L"WATER"), 373.15);
    EXPECT_DOUBLE_EQ(unit.Constant(L"criticalTemperature", L"WATER"), 647.14);
    EXPECT_DOUBLE_EQ(unit.Constant(L"criticalPressure", L"N2"), 33.98e5);
    EXPECT_DOUBLE_EQ(unit.Constant(L"normalFreezingPoint", L"WATER"), 273.15);
    EXPECT_DOUBLE_EQ(unit.Constant(L"MW", L"SIO2"), 60.084);  // any host parameter by name
    // Missing parameters stay the missing marker, not a scaled copy of it.
    const double missing = CBrixelBaseUnit::m_dblRMiss;
    EXPECT_EQ(unit.Constant(L"NOPARAM", L"WATER"), missing);
    EXPECT_EQ(unit.Constant(L"molecularWeight", L"COAL"), missing);
    EXPECT_EQ(unit.Constant(L"molecularWeight", L"STEAM", kStatusCapeInvalidArgument), -1.0);
    EXPECT_NEAR(unit.Constant(L"heatOfVaporizationAtNormalBoilingPoint", L"WATER"),
                kWaterVaporization, 0.015 * kWaterVaporization);

    CComSafeArray<VARIANT> values;
    ASSERT_EQ(unit.GetCompoundConstant(Names({L"molecularWeight", L"normalBoilingPoint"}),
                                       Names({L"WATER", L"N2", L"SIO2"}), values),
              kStatusOk);
    const double expected[] = {0.018015, 0.028014, 0.060084, 373.15, 77.35, 3223.0};
    ASSERT_EQ(values.GetCount(), 6u);
    for (long k = 0; k < 6; ++k) {
        EXPECT_DOUBLE_EQ(values.GetAt(k).dblVal, expected[k]) << "element " << k;
    }
    // The first failure ends the call, keeping the elements before it.
    EXPECT_EQ(unit.GetCompoundConstant(Names({L"molecularWeight"}),
                                       Names({L"WATER", L"STEAM", L"N2"}), values),
              kStatusCapeInvalidArgument);
    ASSERT_EQ(values.GetCount(), 3u);
    EXPECT_DOUBLE_EQ(values.GetAt(0).dblVal, 0.018015);
    EXPECT_EQ(values.GetAt(2).vt, VT_EMPTY);
    EXPECT_EQ(unit.GetCompoundConstant(CComSafeArray<BSTR>(), Names({L"N2"}), values), kStatusOk);
    EXPECT_EQ(values.GetCount(), 3u);
}

TEST_F(CompoundsTest, UniversalConstantsAreExact) {
    const std::vector<std::string> names{"standardAccelerationOfGravity", "avogadroConstant",
                                         "boltzmannConstant", "molarGasConstant",
                                         "speedOfLightInVacuum"};
    const double expected[] = {9.80665, 6.02214199e23, 1.3806503e-23, 8.314472, 299792458.0};
    CComSafeArray<BSTR> list(1);
    ASSERT_EQ(unit.GetUniversalConstantList(list), kStatusOk);
    EXPECT_EQ(Texts(list), names);
    for (std::size_t k = 0; k < names.size(); ++k) {
        double value = 0.0;
        EXPECT_EQ(unit.GetUniversalConstant(CComBSTR(names[k].c_str()), &value), kStatusOk);
        EXPECT_EQ(value, expected[k]) << names[k];
    }
    double value = -1.0;
    EXPECT_EQ(unit.GetUniversalConstant(CComBSTR(L"MolarGasConstant"), &value), kStatusOk);
    EXPECT_EQ(value, 8.314472);
    EXPECT_EQ(unit.GetUniversalConstant(CComBSTR(L"planckConstant"), &value),
              kStatusCapeInvalidArgument);
    EXPECT_EQ(unit.GetUniversalConstant(CComBSTR(L"molarGasConstant"), nullptr),
              kStatusNullPointer);
}

TEST_F(CompoundsTest, TemperatureDependentPropertiesOfWaterAndSolids) {
    Bind();
    EXPECT_NEAR(unit.T(L"vaporPressure", 373.15, L"WATER"), kAtmosphere, 0.01 * kAtmosphere);
    EXPECT_NEAR(unit.T(L"heatOfVaporization", 373.15, L"water"), kWaterVaporization,
                0.015 * kWaterVaporization);  // J/mol
    EXPECT_NEAR(unit.T(L"density", 298.15, L"WATER", kStatusOk, -2), kWaterDensityAt298,
                0.01 * kWaterDensityAt298);
    EXPECT_NEAR(unit.T(L"density", 298.15, L"SIO2", kStatusOk, -3), kQuartzDensity,
                0.005 * kQuartzDensity);
    EXPECT_EQ(unit.T(L"vaporPressure", 373.15, L"SIO2"), 0.0);
    EXPECT_EQ(unit.T(L"vaporPressure", 373.15, L"COAL"), 0.0);
    EXPECT_EQ(unit.T(L"heatOfVaporization", 373.15, L"COAL"), CBrixelBaseUnit::m_dblRMiss);
    EXPECT_EQ(unit.T(L"vaporPressure", 373.15, L"STEAM", kStatusCapeInvalidArgument), -1.0);
    EXPECT_EQ(unit.T(L"vaporPressure", std::nan(""), L"WATER", kStatusInvalidArgument), -1.0);
    EXPECT_EQ(unit.T(L"density", 298.15, L"WATER", kStatusFail, -1), -1.0);
    EXPECT_EQ(unit.T(L"density", 298.15, L"COAL", kStatusFail, -3), -1.0);
    EXPECT_EQ(unit.T(L"viscosity", 300.0, L"WATER"), -1.0);  // not served: untouched

    CComSafeArray<double> values;
    ASSERT_EQ(unit.GetTDependentProperty(Names({L"vaporPressure", L"heatOfVaporization"}), 373.15,
                                         Names({L"WATER", L"COAL"}), values),
              kStatusOk);
    const std::vector<double> found = Elements(values);
    ASSERT_EQ(found.size(), 4u);
    EXPECT_NEAR(found[0], kAtmosphere, 0.01 * kAtmosphere);
    EXPECT_EQ(found[1], 0.0);
    EXPECT_NEAR(found[2], kWaterVaporization, 0.015 * kWaterVaporization);
    EXPECT_EQ(found[3], CBrixelBaseUnit::m_dblRMiss);
    const auto thrown = [&](const wchar_t* property, const wchar_t* compound) {
        try {
            unit.GetTDependentProperty(Names({property}), 300.0, Names({compound}), values);
        } catch (long status) {
            return status;
        }
        return kStatusOk;
    };
    EXPECT_EQ(thrown(L"density", L"WATER"), kStatusFail);  // no phase in the array form
    EXPECT_EQ(thrown(L"heatOfVaporization", L"SIO2"), kStatusCapeUnknown);  // no fluid data
}

TEST_F(CompoundsTest, BoilingPointComesFromABubblePointFlashOfAnInternalStream) {
    Bind();
    const std::vector<double> before = Inlet();
    EXPECT_NEAR(unit.P(L"boilingPointTemperature", kAtmosphere, L"WATER"), kWaterBoilingPoint, 0.3);
    EXPECT_GT(unit.P(L"boilingPointTemperature", 2e5, L"WATER"), kWaterBoilingPoint + 10.0);
    CComSafeArray<double> values;
    ASSERT_EQ(unit.GetPDependentProperty(Names({L"meltingTemperature", L"boilingPointTemperature"}),
                                         kAtmosphere, Names({L"WATER", L"N2"}), values),
              kStatusOk);
    const std::vector<double> found = Elements(values);
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0], 273.15);
    EXPECT_EQ(found[1], 63.15);
    EXPECT_NEAR(found[2], kWaterBoilingPoint, 0.3);
    EXPECT_NEAR(found[3], kNitrogenBoilingPoint, 0.5);
    EXPECT_EQ(unit.GetInternalStreams().size(), 1u);  // one stream serves every call
    EXPECT_EQ(Inlet(), before);
    EXPECT_EQ(unit.P(L"boilingPointTemperature", kAtmosphere, L"COAL"),
              CBrixelBaseUnit::m_dblRMiss);
    EXPECT_EQ(unit.P(L"boilingPointTemperature", kAtmosphere, L"STEAM", kStatusCapeInvalidArgument),
              -1.0);
    EXPECT_EQ(unit.P(L"boilingPointTemperature", 0.0, L"WATER", kStatusInvalidArgument), -1.0);
    unit.RemoveInternalStream(unit.GetInternalStreams().front());
    EXPECT_NEAR(unit.P(L"boilingPointTemperature", kAtmosphere, L"WATER"), kWaterBoilingPoint, 0.3);
    EXPECT_EQ(unit.GetInternalStreams().size(), 1u);
}

TEST_F(CompoundsTest, IonsAreTheComponentsWithASaltTableRow) {
    Bind();
    host.SetElectrolyteSalts({0, 0, 0, 0, 0, 1.5, 0, 0, 0});  // row of N2 only
    EXPECT_FALSE(unit.isIon(CComBSTR(L"N2")));                // electrolyte chemistry off
    block->methodSet[2] = 1;
    EXPECT_TRUE(unit.isIon(CComBSTR(L"n2")));
    EXPECT_FALSE(unit.isIon(CComBSTR(L"WATER")));
    EXPECT_FALSE(unit.isIon(CComBSTR(L"COAL")));
    host.SetElectrolyteSalts({});
    EXPECT_FALSE(unit.isIon(CComBSTR(L"N2")));
}

}  // namespace
}  // namespace brixel::testing
