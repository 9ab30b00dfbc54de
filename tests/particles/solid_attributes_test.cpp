#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/particles/psd_mixing.h"
#include "tests/support/array_helpers.h"
#include "tests/support/unit_fixture.h"

namespace brixel::testing {
namespace {

class SolidUnit : public TestUnit {
  public:
    using CBrixelBaseUnit::m_bPSDWarning;
};

std::vector<double> Mesh(const CComSafeArray<VARIANT>& mesh) {
    std::vector<double> out;
    for (uint32_t i = 0; i < mesh.GetCount(); ++i) {
        const VARIANT& v = mesh.GetAt(static_cast<long>(i));
        EXPECT_EQ(v.vt, VT_R8);
        out.push_back(v.dblVal);
    }
    return out;
}

bool Printed(const host::SubstituteHost& host, const std::string& text) {
    for (const std::string& line : host.PrintedLines()) {
        if (line.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Two CISOLID substreams behind the MIXED one; S weighs 100 kg/kmol, so 0.01 kmol/s is 1 kg/s.
class SolidAttributesTest : public UnitTest {
  protected:
    int64_t TwoSolidStream(const std::vector<host::Attribute>& second, double flow1,
                           std::vector<double> psd1, double flow2, std::vector<double> psd2) {
        unit.m_naSolidComps = {2};  // the unit was made before S existed
        return UnitTest::TwoSolidStream({host::Psd({0.0, 1e-4, 2e-4})}, second, flow1,
                                        std::move(psd1), flow2, std::move(psd2));
    }

    int64_t SameMeshStream(double flow1, std::vector<double> psd1, double flow2,
                           std::vector<double> psd2) {
        return TwoSolidStream({host::Psd({0.0, 1e-4, 2e-4})}, flow1, std::move(psd1), flow2,
                              std::move(psd2));
    }

    SolidUnit unit;
    CComBSTR unitName;
    CComSafeArray<VARIANT> mesh;
    CComSafeArray<double> values;
};

TEST_F(SolidAttributesTest, MixedPsdIsMassWeightedOverSolidSubstreams) {
    Bind(unit, {SameMeshStream(0.01, {0.5, 0.5}, 0.03, {1.0, 0.0})}, {});
    ASSERT_EQ(unit.GetSolidAttribute("IN0", CComBSTR("psd"), unitName, mesh, values), 0);
    EXPECT_EQ(ToStdString(unitName), "m");
    ExpectAllNear(Doubles(values), {0.875, 0.125}, 1e-12);
    EXPECT_EQ(Mesh(mesh), (std::vector<double>{0.0, 1e-4, 2e-4}));

    // One substream by number: its own PSD.
    ASSERT_EQ(unit.GetSolidAttribute(0, CComBSTR("PSD"), unitName, mesh, values, 2), 0);
    EXPECT_EQ(Doubles(values), (std::vector<double>{1.0, 0.0}));

    ASSERT_EQ(unit.GetSolidAttribute("IN0", CComBSTR("Density"), unitName, mesh, values), 0);
    EXPECT_EQ(ToStdString(unitName), "kg/m3");
    EXPECT_EQ(Mesh(mesh), (std::vector<double>{2000.0, 3000.0}));
    ExpectAllNear(Doubles(values), {0.25, 0.75}, 1e-12);

    double flow = 0.0;
    ASSERT_EQ(unit.GetSolidMassFlow("IN0", &flow), 0);
    EXPECT_NEAR(flow, 4.0, 1e-12);
}

TEST_F(SolidAttributesTest, SolidsWithoutPsdSpreadEvenlyAndWarnOnce) {
    Bind(unit, {TwoSolidStream({}, 0.01, {0.2, 0.8}, 0.01, {})}, {});
    unit.m_bPSDWarning = true;
    ASSERT_EQ(unit.GetSolidAttribute("IN0", CComBSTR("PSD"), unitName, mesh, values), 0);
    ExpectAllNear(Doubles(values), {0.35, 0.65}, 1e-12);
    EXPECT_TRUE(
        Printed(host, "PSD FRACTIONS ARE NOT PROVIDED IN ALL SUBSTREAMS THAT HAVE SOLIDS FLOW."));
    EXPECT_TRUE(Printed(host, "SOLIDS ARE EVENLY DISTRIBUTED INTO SIZE INTERVALS."));
    EXPECT_FALSE(unit.m_bPSDWarning);
    EXPECT_EQ(unit.GetIscp()[records::kStatusOutcome], records::kOutcomeWarning);
    const std::size_t printed = host.PrintedLines().size();
    ASSERT_EQ(unit.GetSolidAttribute("IN0", CComBSTR("PSD"), unitName, mesh, values), 0);
    EXPECT_EQ(host.PrintedLines().size(), printed);
}

TEST_F(SolidAttributesTest, SolidsWithoutAnyPsdGiveNoDistributionAndNoFailure) {
    unit.m_naSolidComps = {2};
    Bind(unit, {UnitTest::TwoSolidStream({}, {}, 0.01, {}, 0.03, {})}, {});
    ASSERT_EQ(unit.GetSolidAttribute("IN0", CComBSTR("PSD"), unitName, mesh, values), 0);
    EXPECT_EQ(ToStdString(unitName), "m");
    EXPECT_EQ(mesh.GetCount(), 0u);
    EXPECT_EQ(values.GetCount(), 0u);
    EXPECT_TRUE(host.PrintedLines().empty());
}

TEST_F(SolidAttributesTest, JointDistributionWeightsEachClassByItsShare) {
    Bind(unit, {SameMeshStream(0.01, {0.5, 0.5}, 0.03, {1.0, 0.0})}, {});
    CComSafeArray<BSTR> units;
    ASSERT_EQ(unit.GetSolidAttribute(0, Names({"PSD", "density"}), units, mesh, values), 0);
    const auto rows = Rows(values);
    ASSERT_EQ(rows.size(), 2u);
    ExpectAllNear(rows[0], {0.125, 0.125}, 1e-12);
    ExpectAllNear(rows[1], {0.75, 0.0}, 1e-12);
    const auto meshAt = [&](long row, long column) {
        const long index[2] = {row, column};
        CComVariant v;
        EXPECT_EQ(mesh.MultiDimGetAt(index, v), 0);
        return v.dblVal;
    };
    EXPECT_EQ(meshAt(0, 0), 2000.0);
    EXPECT_EQ(meshAt(0, 1), 3000.0);
    EXPECT_EQ(meshAt(1, 2), 2e-4);
    EXPECT_EQ(ToStdString(units.GetAt(0)), "m");
    EXPECT_EQ(ToStdString(units.GetAt(1)), "kg/m3");

    EXPECT_THROW(unit.GetSolidAttribute(0, Names({"PSD", "SMC"}), units, mesh, values), long);
    EXPECT_THROW(unit.GetSolidAttribute(0, Names({"SMC"}), units, mesh, values), long);
    ASSERT_EQ(unit.GetSolidAttribute(0, Names({"PSD"}), units, mesh, values), 0);
    EXPECT_EQ(ToStdString(units.GetAt(0)), "m");
    EXPECT_NEAR(Doubles(values)[0], 0.875, 1e-12);
    EXPECT_EQ(unit.GetSolidAttribute("IN0", Names({"PSD", "PSD"}), units, mesh, values),
              kStatusInvalidArgument);
}

TEST_F(SolidAttributesTest, SetPsdWritesBackAndChecksSizes) {
    const int64_t bead = SameMeshStream(0.01, {0.5, 0.5}, 0.03, {1.0, 0.0});
    Bind(unit, {bead}, {});
    CComSafeArray<double> given = Numbers({0.3, 0.7});
    ASSERT_EQ(unit.SetSolidAttribute(0, Names({"PSD"}), given, 1), 0);
    double* fractions = nullptr;
    double* meshValues = nullptr;
    ASSERT_EQ(unit.GetPSDPointer(0, 1, fractions, meshValues), 2);
    EXPECT_EQ(fractions[0], 0.3);
    EXPECT_EQ(fractions[1], 0.7);
    EXPECT_EQ(meshValues[2], 2e-4);
    ASSERT_EQ(unit.GetPSDPointer(0, 2, fractions, meshValues), 2);
    EXPECT_EQ(fractions[0], 1.0);  // substream 2 not selected
    EXPECT_EQ(unit.GetPSDPointer(0, 0, fractions, meshValues), 0);
    EXPECT_EQ(fractions, nullptr);

    CComSafeArray<double> three(3);
    EXPECT_THROW(unit.SetSolidAttribute(0, Names({"PSD"}), three, -3), long);
    given.SetAt(0, std::nan(""));
    EXPECT_EQ(unit.SetSolidAttribute("IN0", Names({"PSD"}), given), kStatusInvalidArgument);
    EXPECT_EQ(unit.SetSolidAttribute("IN0", Names({"Density"}), given), kStatusInvalidArgument);
    ASSERT_EQ(unit.GetPSDPointer(0, 1, fractions, meshValues), 2);
    EXPECT_EQ(fractions[0], 0.3);  // refused writes leave the stream alone
}

TEST_F(SolidAttributesTest, SetJointDistributionRescalesClassesAndReadsBack) {
    const int64_t bead = SameMeshStream(0.01, {0.5, 0.5}, 0.03, {1.0, 0.0});
    Bind(unit, {bead}, {});
    const std::vector<std::vector<double>> given{{0.3, 0.2}, {0.1, 0.4}};
    const CComSafeArray<double> rows = Matrix2(given);
    ASSERT_EQ(unit.SetSolidAttribute("IN0", Names({"Density", "PSD"}), rows), 0);
    // Total 4 kg/s split half and half: 2 kg/s, 0.02 kmol/s of S in each substream.
    for (int k = 1; k <= 2; ++k) {
        EXPECT_NEAR(host.StreamVector(bead)[host.SubstreamOffset(bead, k) + 2], 0.02, 1e-15);
    }
    double flow = 0.0;
    ASSERT_EQ(unit.GetSolidMassFlow(0, &flow), 0);
    EXPECT_NEAR(flow, 4.0, 1e-12);
    double* fractions = nullptr;
    double* meshValues = nullptr;
    ASSERT_EQ(unit.GetPSDPointer(0, 1, fractions, meshValues), 2);
    ExpectAllNear({fractions, fractions + 2}, {0.6, 0.4}, 1e-12);
    CComSafeArray<BSTR> units;
    ASSERT_EQ(unit.GetSolidAttribute(0, Names({"Density", "PSD"}), units, mesh, values), 0);
    const auto back = Rows(values);
    ASSERT_EQ(back.size(), 2u);
    ExpectAllNear(back[0], given[0], 1e-12);
    ExpectAllNear(back[1], given[1], 1e-12);
    EXPECT_THROW(unit.SetSolidAttribute(0, Names({"Density", "PSD"}), rows, 1), long);
}

TEST_F(SolidAttributesTest, MassFlowSetterAndListAndRefusals) {
    Bind(unit, {SameMeshStream(0.01, {0.5, 0.5}, 0.03, {1.0, 0.0})}, {});
    ASSERT_EQ(unit.SetSolidMassFlow("IN0", 8.0), 0);
    double flow = 0.0;
    ASSERT_EQ(unit.GetSolidMassFlow(0, &flow), 0);
    EXPECT_NEAR(flow, 8.0, 1e-9);
    EXPECT_EQ(unit.SetSolidMassFlow("IN0", -1.0), kStatusInvalidArgument);

    CComSafeArray<BSTR> names;
    ASSERT_EQ(unit.GetSolidAttributeList("IN0", names), 0);
    ASSERT_EQ(names.GetCount(), 3u);
    EXPECT_EQ(ToStdString(names.GetAt(0)), "fraction");
    EXPECT_EQ(ToStdString(names.GetAt(1)), "PSD");
    EXPECT_EQ(ToStdString(names.GetAt(2)), "Density");

    EXPECT_EQ(unit.GetSolidAttribute("IN0", CComBSTR("SMC"), unitName, mesh, values),
              kStatusInvalidArgument);
    EXPECT_EQ(unit.GetSolidAttribute(0, CComBSTR("PSD"), unitName, mesh, values, 3),
              kStatusInvalidArgument);
    EXPECT_EQ(unit.GetSolidAttribute("NOPORT", CComBSTR("PSD"), unitName, mesh, values),
              kStatusInvalidArgument);
    bool state = true;
    EXPECT_EQ(unit.GetSolidAttrState("IN0", CComBSTR("PSD"), &state), kStatusFail);

    ASSERT_EQ(unit.GetSolidAttrDefinition("IN0", CComBSTR("PSD"), unitName, mesh), 0);
    EXPECT_EQ(Mesh(mesh), (std::vector<double>{0.0, 1e-4, 2e-4}));
}

TEST_F(SolidAttributesTest, NoSolidsLeavesOutputsAndNoInletRefuses) {
    Bind(unit, {SameMeshStream(0.0, {0.5, 0.5}, 0.0, {1.0, 0.0})}, {});
    values = Numbers({42.0});
    ASSERT_EQ(unit.GetSolidAttribute("IN0", CComBSTR("PSD"), unitName, mesh, values), 0);
    EXPECT_EQ(Doubles(values), (std::vector<double>{42.0}));

    SolidUnit empty;
    empty.NamePorts({});
    double flow = 0.0;
    EXPECT_EQ(empty.GetSolidMassFlow("", &flow), kStatusFail);
    EXPECT_EQ(empty.GetSolidAttribute("", CComBSTR("PSD"), unitName, mesh, values), kStatusFail);
    EXPECT_TRUE(empty.ValidatePSDMesh());
}

TEST_F(SolidAttributesTest, DifferentMeshFailsValidation) {
    Bind(unit, {TwoSolidStream({host::Psd({0.0, 1e-4, 3e-4})}, 0.01, {0.5, 0.5}, 0.01, {0.5, 0.5})},
         {});
    EXPECT_FALSE(unit.ValidatePSDMesh());
    EXPECT_TRUE(
        Printed(host, "STREAMS CONTAIN MULTIPLE SOLID SUBSTREAMS WITH DIFFERENT PSD MESH."));
    EXPECT_TRUE(
        Printed(host, "THIS IS NOT SUPPORTED BY THE CALCULATION METHOD SELECTED. YOU HAVE TO"));
    EXPECT_TRUE(Printed(host, "USE THE SAME PSD MESH FOR ALL SOLIDS SUBSTREAMS."));
    BSTR message = nullptr;
    VARIANT_BOOL valid = VARIANT_TRUE;
    EXPECT_EQ(unit.Validate(&message, &valid), 0);
    EXPECT_EQ(valid, VARIANT_FALSE);
    EXPECT_EQ(unit.GetValidationStatus(), 1);

    // Another interval count is a mismatch too, and the mixed PSD refuses it.
    SolidUnit other;
    Bind(other,
         {TwoSolidStream({host::Psd({0.0, 1e-4, 2e-4, 3e-4})}, 0.01, {0.5, 0.5}, 0.01,
                         {0.2, 0.3, 0.5})},
         {});
    EXPECT_FALSE(other.ValidatePSDMesh());
    EXPECT_EQ(other.GetSolidAttribute("IN0", CComBSTR("PSD"), unitName, mesh, values),
              kStatusInvalidArgument);
}

TEST_F(SolidAttributesTest, SameMeshValidates) {
    Bind(unit, {SameMeshStream(0.01, {0.5, 0.5}, 0.01, {0.5, 0.5})}, {});
    EXPECT_TRUE(unit.ValidatePSDMesh());
    BSTR message = nullptr;
    VARIANT_BOOL valid = VARIANT_FALSE;
    EXPECT_EQ(unit.Validate(&message, &valid), 0);
    EXPECT_EQ(valid, VARIANT_TRUE);
}

TEST(PsdMixingTest, MixIgnoresMasslessCarriersAndChecksMesh) {
    const double mesh[] = {0.0, 1.0, 2.0};
    const double other[] = {0.0, 1.0, 2.0 + 1e-9};
    const double f1[] = {0.25, 0.75};
    PsdMix mix;
    EXPECT_TRUE(AddToPsdMix(mix, 0.0, f1, mesh, 2));
    EXPECT_TRUE(AddToPsdMix(mix, 2.0, f1, mesh, 2));
    EXPECT_FALSE(AddToPsdMix(mix, 1.0, f1, mesh, 1));
    EXPECT_EQ(MixedPsd(mix, 2.0), (std::vector<double>{0.25, 0.75}));
    EXPECT_TRUE(SameMesh(mesh, mesh, 2));
    EXPECT_FALSE(SameMesh(mesh, other, 2));
    EXPECT_TRUE(MixedPsd(PsdMix{}, 1.0).empty());
}

}  // namespace
}  // namespace brixel::testing
