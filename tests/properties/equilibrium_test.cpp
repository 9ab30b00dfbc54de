// Phase equilibrium under named specification pairs on real substances: the flash each pair
// selects, the state it leaves, and what is refused without flashing.
#include <climits>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "brixel/framework/status.h"
#include "brixel/framework/stream_vector.h"
#include "support/thermo_fixture.h"

namespace brixel::testing {
namespace {

namespace sv = brixel::stream_vector;

CComSafeArray<BSTR> Specification(std::initializer_list<const char*> elements) {
    CComSafeArray<BSTR> array(static_cast<uint32_t>(elements.size()));
    long i = 0;
    for (const char* element : elements) {
        array.SetAt(i++, CComBSTR(element));
    }
    return array;
}

class EquilibriumTest : public ThermoTest {
  protected:
    // Humid nitrogen (1 + 0.02 kmol/s), all vapour, with sand in the CISOLID substream.
    int64_t GasAndSand(double temperature = 350.0, double pressure = 1e5) {
        return Stream(Fluid({1.0, 0.02, 0.0}, temperature, 1.0, pressure),
                      Solid(0.1, temperature, pressure));
    }
    // Water's vapour pressure by Antoine (mmHg, degC) sets y = Psat/P in a vapour holding all
    // the nitrogen: MIXED vapour fraction (1 + y/(1 - y)) / 1.02 at 290 K and 2 bar.
    static double VaporFractionAt290K2Bar() {
        const double y = std::pow(10.0, 8.07131 - 1730.63 / (233.426 + 16.85)) * 133.322 / 2e5;
        return (1.0 + y / (1.0 - y)) / 1.02;
    }
    bool Unchanged(int64_t bead, const std::vector<double>& before) {
        return std::memcmp(host.StreamVector(bead), before.data(),
                           sizeof(double) * before.size()) == 0;
    }
    // spec3 stays missing; for a TV flash the flash itself puts the stream's pressure there.
    void ExpectCall(std::size_t i, int64_t kode, double spec1, double spec2,
                    double spec3 = CBrixelBaseUnit::m_dblRMiss) {
        ASSERT_LT(i, host.FlashCalls().size());
        const host::FlashCall& call = host.FlashCalls()[i];
        EXPECT_EQ(call.kode, kode);
        EXPECT_EQ(call.spec1, spec1);
        EXPECT_EQ(call.spec2, spec2);
        EXPECT_EQ(call.spec3, spec3);
        EXPECT_EQ(call.positions.size(), 2u);  // the whole stream
    }

    const CComSafeArray<BSTR> kTemperature = Specification({"temperature", "", "Overall"});
    const CComSafeArray<BSTR> kPressure = Specification({"pressure", "", "Overall"});
    const CComSafeArray<BSTR> kEnthalpy = Specification({"enthalpy", "", "Overall"});
    const CComSafeArray<BSTR> kVapor = Specification({"phaseFraction", "mole", "Vapor"});
    const CComBSTR kUnspecified = "Unspecified";
};

TEST_F(EquilibriumTest, TemperaturePressureInEitherOrderAndAnySolutionType) {
    TestUnit unit;
    const int64_t in = GasAndSand();
    Bind(unit, in, host.AddStream(streamClass));
    ASSERT_EQ(unit.SetOverallProp(0, 1, 290.0, 0), kStatusOk);
    ASSERT_EQ(unit.SetOverallProp(0, 2, 2e5, 0), kStatusOk);
    ASSERT_EQ(unit.CalcEquilibrium(0, kTemperature, kPressure, kUnspecified), kStatusOk);
    ExpectCall(0, 2, 290.0, 0.0);
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(State(in, k, sv::kTemperature), 290.0);
        EXPECT_EQ(State(in, k, sv::kPressure), 2e5);
    }
    EXPECT_NEAR(State(in, 0, sv::kVaporFraction), VaporFractionAt290K2Bar(), 3e-4);

    // Case is ignored; the flash is forced every time (cached results do not stand in).
    const std::vector<double> flashed = Vector(in);
    for (const CComBSTR& type : {CComBSTR("Normal"), CComBSTR("no such type"), CComBSTR()}) {
        EXPECT_EQ(unit.CalcEquilibrium(0, Specification({"PRESSURE", "", "overall"}),
                                       Specification({"Temperature", "", "OVERALL"}), type),
                  kStatusOk);
    }
    ExpectCall(3, 2, 290.0, 0.0);
    EXPECT_TRUE(Unchanged(in, flashed));
}

TEST_F(EquilibriumTest, PressureEnthalpyKeepsTheEnthalpyTheStreamHolds) {
    TestUnit unit;
    const int64_t in = GasAndSand();
    Bind(unit, in, host.AddStream(streamClass));
    ASSERT_TRUE(unit.FlashStream(0, 2, 350.0, 0.0, 0.0, true));
    double h350 = 0.0, h = 0.0;
    ASSERT_EQ(unit.GetOverallProp(0, 3, &h350, 0), kStatusOk);
    ASSERT_EQ(unit.SetOverallProp(0, 1, 300.0, 0), kStatusOk);  // disagrees with the enthalpy
    host.ClearCaptures();

    ASSERT_EQ(unit.CalcEquilibrium(0, kEnthalpy, kPressure, kUnspecified), kStatusOk);
    ExpectCall(0, 1, 0.0, 0.0);
    ASSERT_EQ(unit.GetOverallProp(0, 3, &h, 0), kStatusOk);
    EXPECT_NEAR(h, h350, 1e-6 * std::abs(h350));
    EXPECT_NEAR(State(in, 0, sv::kTemperature), 350.0, 0.01);
    EXPECT_EQ(State(in, 0, sv::kPressure), 1e5);
}

TEST_F(EquilibriumTest, VaporFractionWithPressureOrTemperatureRestoresTheOther) {
    TestUnit unit;
    const int64_t in = GasAndSand(290.0, 2e5);
    Bind(unit, in, host.AddStream(streamClass));
    ASSERT_TRUE(unit.FlashStream(0, 2, 290.0, 2e5, 0.0, true));
    const double vf = State(in, 0, sv::kVaporFraction);
    ASSERT_NEAR(vf, VaporFractionAt290K2Bar(), 3e-4);
    host.ClearCaptures();

    // The MIXED substream's own fraction goes to the flash, not one diluted by the sand.
    ASSERT_EQ(unit.SetOverallProp(0, 1, 300.0, 0), kStatusOk);
    ASSERT_EQ(unit.CalcEquilibrium(0, kPressure, kVapor, kUnspecified), kStatusOk);
    ExpectCall(0, 3, 0.0, vf);
    EXPECT_NEAR(State(in, 0, sv::kTemperature), 290.0, 0.05);

    ASSERT_EQ(unit.SetOverallProp(0, 2, 1e5, 0), kStatusOk);
    ASSERT_EQ(unit.CalcEquilibrium(0, kVapor, kTemperature, kUnspecified), kStatusOk);
    ExpectCall(1, 5, State(in, 0, sv::kTemperature), vf, 1e5);
    EXPECT_NEAR(State(in, 0, sv::kPressure), 2e5, 2e5 * 1e-3);
    EXPECT_NEAR(State(in, 0, sv::kVaporFraction), vf, 1e-9);

    // Per kg only where both bases agree: refused two-phase, flashed all vapour.
    const std::vector<double> before = Vector(in);
    const auto mass = Specification({"phaseFraction", "mass", "Vapor"});
    EXPECT_EQ(unit.CalcEquilibrium(0, kPressure, mass, kUnspecified), kStatusFail);
    EXPECT_TRUE(Unchanged(in, before));
    const int64_t dry = GasAndSand();
    ASSERT_EQ(unit.CalcEquilibrium(dry, mass, kTemperature, kUnspecified), kStatusOk);
    ExpectCall(2, 5, 350.0, 1.0, 1e5);
    EXPECT_EQ(host.FlashCalls().size(), 3u);
}

TEST_F(EquilibriumTest, OtherSpecificationsAreRefusedWithoutFlashing) {
    TestUnit unit;
    const int64_t in = GasAndSand();
    Bind(unit, in, host.AddStream(streamClass));
    const std::vector<double> before = Vector(in);
    const struct {
        const char* what;
        CComSafeArray<BSTR> first, second;
    } refused[] = {
        {"the same twice", kTemperature, kTemperature},
        {"temperature and enthalpy", kTemperature, kEnthalpy},
        {"enthalpy and vapour fraction", kEnthalpy, kVapor},
        {"two fractions", kVapor, kVapor},
        {"temperature on a basis", Specification({"temperature", "mole", "Overall"}), kPressure},
        {"pressure of one phase", kTemperature, Specification({"pressure", "", "Vapor"})},
        {"unknown property", Specification({"volume", "", "Overall"}), kPressure},
        {"no phase label", Specification({"temperature", ""}), kPressure},
        {"no array", CComSafeArray<BSTR>(), kPressure},
        {"null strings", CComSafeArray<BSTR>(3), kPressure},
    };
    for (const auto& pair : refused) {
        EXPECT_EQ(unit.CalcEquilibrium(0, pair.first, pair.second, kUnspecified), kStatusFail)
            << pair.what;
    }
    bool valid = true;
    EXPECT_EQ(unit.CheckEquilibriumSpec("IN", kTemperature, kPressure, kUnspecified, &valid),
              kStatusFail);
    EXPECT_TRUE(valid);
    EXPECT_TRUE(host.FlashCalls().empty());
    EXPECT_TRUE(Unchanged(in, before));
}

TEST_F(EquilibriumTest, StreamsByPortNameAndFailuresOfStreamOrFlash) {
    TestUnit unit;
    const int64_t in = GasAndSand();
    const int64_t outlet = GasAndSand(320.0);
    Bind(unit, in, outlet);
    ASSERT_EQ(unit.CalcEquilibrium(CString("out"), kTemperature, kPressure, kUnspecified),
              kStatusOk);
    ExpectCall(0, 2, 320.0, 0.0);
    EXPECT_EQ(host.StoredEquilibria(), std::vector<int64_t>{outlet});
    // An empty name is port -1: a stream only where the model maps that port.
    for (const char* port : {"NOPE", ""}) {
        EXPECT_EQ(unit.CalcEquilibrium(CString(port), kTemperature, kPressure, kUnspecified),
                  kStatusInvalidArgument);
    }
    unit.mappedPort = -1;
    unit.mappedBead = static_cast<int>(in);
    ASSERT_EQ(unit.CalcEquilibrium(CString(""), kTemperature, kPressure, kUnspecified), kStatusOk);
    ExpectCall(1, 2, 350.0, 0.0);

    EXPECT_EQ(unit.CalcEquilibrium(7, kEnthalpy, kPressure, kUnspecified), kStatusInvalidArgument);
    EXPECT_EQ(unit.CalcEquilibrium(int64_t{INT_MAX} + 1, kEnthalpy, kPressure, kUnspecified),
              kStatusInvalidArgument);
    for (const double t : {unit.m_dblTmax + 1.0, host::kRealMissing}) {  // beyond limits, none
        State(in, 0, sv::kTemperature) = State(in, 1, sv::kTemperature) = t;
        EXPECT_EQ(unit.CalcEquilibrium(0, kTemperature, kPressure, kUnspecified), kStatusFail);
    }
    EXPECT_EQ(host.FlashCalls().size(), 2u);
    host.SetRefuseFlash(true);
    EXPECT_EQ(unit.CalcEquilibrium(0, kPressure, kEnthalpy, kUnspecified), kStatusFail);
}

}  // namespace
}  // namespace brixel::testing
