// Names of properties, bases and phases, phase ids as substreams, and the string and array
// helpers of the property layer.
#include "brixel/properties/vocabulary.h"

#include <limits>

#include "brixel/framework/status.h"
#include "support/unit_fixture.h"

namespace brixel::testing {
namespace {

template <typename Call>
long Thrown(Call call) {  // the long a call throws, or 0
    try {
        call();
    } catch (long status) {
        return status;
    }
    return 0;
}

CComSafeArray<VARIANT> Numbers(std::initializer_list<double> values) {
    CComSafeArray<VARIANT> list(static_cast<uint32_t>(values.size()));
    long i = 0;
    for (const double value : values) {
        list.SetAt(i++, CComVariant(value));
    }
    return list;
}

using VocabularyTest = UnitTest;

TEST_F(VocabularyTest, NamesMapToFixedIdsWithoutRegardToCase) {
    TestUnit unit;
    const wchar_t* properties[] = {L"totalFlow", L"TEMPERATURE",    L"pressure",
                                   L"Enthalpy",  L"entropy",        L"flow",
                                   L"fraction",  L"DENSITY",        L"phasefraction",
                                   L"viscosity", L"heatCapacityCP", L"diffusionCoefficient"};
    for (int id = 0; id < 12; ++id) {
        EXPECT_EQ(unit.GetPropertyID(CComBSTR(properties[id])), id);
    }
    EXPECT_EQ(unit.GetPropertyID(CComBSTR(L"thermalConductivity")), 13);  // 12 has no name
    EXPECT_EQ(unit.GetPropertyID(CComBSTR(L"surfaceTension")), 14);
    EXPECT_EQ(unit.GetPropertyID(CComBSTR(L"speedOfSound")), 15);
    EXPECT_EQ(unit.GetPropertyBasis(CComBSTR(L"MASS")), 0);
    EXPECT_EQ(unit.GetPropertyBasis(CComBSTR(L"Mole")), 1);
    EXPECT_EQ(unit.GetPropertyBasis(CComBSTR(L"t")), 2);
    EXPECT_EQ(unit.GetPhaseIDFromPhaseLabel(CComBSTR(L"VAPOR")), -1);
    EXPECT_EQ(unit.GetPhaseIDFromPhaseLabel(CComBSTR(L"liquid")), -2);
    EXPECT_EQ(unit.GetPhaseIDFromPhaseLabel(CComBSTR(L"Solid")), -3);
    for (const wchar_t* unknown : {L"densityx", L"dens", L"", L"vapour", L"total"}) {
        const CComBSTR name(unknown);
        EXPECT_EQ(Thrown([&] { unit.GetPropertyID(name); }), kStatusInvalidArgument);
        EXPECT_EQ(Thrown([&] { unit.GetPropertyBasis(name); }), kStatusInvalidArgument);
        EXPECT_EQ(Thrown([&] { unit.GetPhaseIDFromPhaseLabel(name); }), kStatusInvalidArgument);
    }
    EXPECT_EQ(Thrown([&] { unit.GetPropertyID(CComBSTR()); }), kStatusInvalidArgument);
}

TEST_F(VocabularyTest, PhaseIdsSelectSubstreams) {
    TestUnit unit;
    const int64_t* three = plex::IntRecord(
        host.AddStreamClass("THREESUB", {{"MIXED", 1, {}}, {"CISOLID", 2, {}}, {"NCPS", 3, {}}}));
    ASSERT_NE(three, nullptr);
    const auto substream = [&](int phaseId, int after) {
        return unit.GetSubstreamNumberFromPhaseID(phaseId, three, after);
    };
    EXPECT_EQ(substream(-3, 0), 1);
    EXPECT_EQ(substream(-3, 1), 2);  // an NC substream holds solids too
    EXPECT_EQ(substream(-3, 2), -9999);
    EXPECT_EQ(substream(-3, -1), 1);  // never the mixed substream
    EXPECT_EQ(substream(-1, 2), 0);
    EXPECT_EQ(substream(-2, 0), 0);
    EXPECT_EQ(substream(2, 0), 2);
    EXPECT_EQ(substream(3, 0), -9999);
    EXPECT_EQ(substream(-4, 0), -9999);
    const int64_t mixedOnly = host.AddStreamClass("MIXONLY", {{"MIXED", 1, {}}});
    EXPECT_EQ(unit.GetSubstreamNumberFromPhaseID(-3, plex::IntRecord(mixedOnly), 0), -9999);
    EXPECT_EQ(unit.GetSubstreamNumberFromPhaseID(-1, nullptr, 0), -9999);
}

TEST_F(VocabularyTest, PhaseNameAndPhaseCountNeedAnInlet) {
    TestUnit unit;
    int count = -1;
    EXPECT_EQ(unit.GetPhaseName("INLET", "vapor").Length(), 0u);
    EXPECT_EQ(unit.GetNumPhases("IN0", &count), kStatusFail);
    EXPECT_EQ(count, -1);
    Bind(unit, {FeedStream()}, {NewStream()});
    EXPECT_TRUE(unit.GetPhaseName("ANY PORT", "vapor") == L"vapor");
    EXPECT_EQ(unit.GetNumPhases("IN0", &count), kStatusOk);
    EXPECT_EQ(count, 3);  // MIXED as vapour and liquid, CISOLID
    EXPECT_EQ(unit.GetNumPhases("IN0", nullptr), kStatusNullPointer);
}

TEST(StringListTest, CompareBstrIgnoresTheCaseOfAsciiLettersOnly) {
    EXPECT_TRUE(compareBSTR(nullptr, CComBSTR(L"")));
    EXPECT_TRUE(compareBSTR(CComBSTR(L"molarGasConstant"), CComBSTR(L"MOLARGASCONSTANT")));
    EXPECT_FALSE(compareBSTR(CComBSTR(L"abc"), CComBSTR(L"abcd")));
    EXPECT_FALSE(compareBSTR(CComBSTR(L"a["), CComBSTR(L"a{")));  // case bit, but no letter
    EXPECT_FALSE(compareBSTR(CComBSTR(L"\u00e9"), CComBSTR(L"\u00c9")));
    EXPECT_TRUE(compareBSTR(CComBSTR(3, L"a\0b"), CComBSTR(3, L"A\0B")));  // length from prefix
    EXPECT_FALSE(compareBSTR(CComBSTR(3, L"a\0b"), CComBSTR(L"a")));
}

TEST(StringListTest, IsInSafeArrayGivesZeroBasedPositions) {
    CComSafeArray<BSTR> list(3, 1);
    list.SetAt(1, CComBSTR(L"PSD"));
    list.SetAt(2, CComBSTR(L"Density"));  // element 3 stays null: the empty text
    int position = -7;
    EXPECT_FALSE(IsInSafeArray(CComBSTR(L"TVD"), list, position));
    EXPECT_EQ(position, -7);
    EXPECT_TRUE(IsInSafeArray(CComBSTR(L"density"), list, position));
    EXPECT_EQ(position, 1);
    EXPECT_TRUE(IsInSafeArray(CComBSTR(L""), list, position));
    EXPECT_EQ(position, 2);
    EXPECT_FALSE(IsInSafeArray(CComBSTR(L"PSD"), CComSafeArray<BSTR>()));
    // The variant form takes only an array of strings.
    EXPECT_TRUE(IsInSafeArray(CComBSTR(L"psd"), CComVariant(list.m_psa)));
    EXPECT_FALSE(IsInSafeArray(CComBSTR(L"1"), CComVariant(Numbers({1.0}).m_psa)));
    EXPECT_FALSE(IsInSafeArray(CComBSTR(L"PSD"), CComVariant(L"PSD")));
    VARIANT nullArray;
    VariantInit(&nullArray);
    nullArray.vt = VT_ARRAY | VT_BSTR;
    EXPECT_FALSE(IsInSafeArray(CComBSTR(L""), nullArray));
}

TEST(IndexOfNSmallestValueTest, WalksTheValuesUpwardsEqualOnesByPosition) {
    const CComSafeArray<VARIANT> values = Numbers({3.0, 1.0, 1.0, 2.0});
    const int expected[] = {0, 1, 2, 3, 0};
    for (int n = 0; n <= 4; ++n) {
        EXPECT_EQ(GetIndexOfNSmallestValue(n, values), expected[n]) << "n = " << n;
    }
    EXPECT_EQ(GetIndexOfNSmallestValue(5, values), -1);
    EXPECT_EQ(GetIndexOfNSmallestValue(-1, values), -1);
    EXPECT_EQ(GetIndexOfNSmallestValue(1, CComSafeArray<VARIANT>()), -1);
    // 2 + 5e-11 after 2 is the next of the run, before 2.5; 7 + 1e-9 is larger than 7.
    const CComSafeArray<VARIANT> close = Numbers({7.0 + 1e-9, 2.0, 2.5, 2.0 + 5e-11, 7.0});
    const int order[] = {1, 3, 2, 4, 0};
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(GetIndexOfNSmallestValue(n, close), order[n - 1]) << "n = " << n;
    }
    const double infinity = std::numeric_limits<double>::infinity();
    EXPECT_EQ(GetIndexOfNSmallestValue(3, Numbers({infinity, 1.0, infinity})), 2);
}

TEST(IndexOfNSmallestValueTest, ReadsOtherNumericVariantsAndRefusesText) {
    CComSafeArray<VARIANT> values(3);
    values.SetAt(0, CComVariant(5));
    values.SetAt(1, CComVariant(-2.5));
    values.SetAt(2, CComVariant(static_cast<short>(1)));
    EXPECT_EQ(GetIndexOfNSmallestValue(3, values), 0);
    values.SetAt(2, CComVariant(L"not a number"));
    EXPECT_EQ(Thrown([&] { GetIndexOfNSmallestValue(1, values); }), kStatusInvalidArgument);
}

TEST(PackCompsTest, DropsNegligibleValuesKeepingTheOrder) {
    int64_t count = 4;
    int64_t numbers[] = {1, 2, 3, 4};
    double values[] = {0.5, 0.0, 1e-16, 0.2};
    PackComps(count, numbers, values);
    ASSERT_EQ(count, 2);
    EXPECT_EQ((std::vector<int64_t>{numbers[0], numbers[1]}), (std::vector<int64_t>{1, 4}));
    EXPECT_EQ((std::vector<double>{values[0], values[1]}), (std::vector<double>{0.5, 0.2}));
    count = 3;
    double others[] = {-1.0, std::numeric_limits<double>::quiet_NaN(), 2e-15};
    PackComps(count, numbers, others);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(numbers[0], 3);
    count = -3;
    PackComps(count, nullptr, nullptr);
    EXPECT_EQ(count, 0);
    count = 2;
    EXPECT_EQ(Thrown([&] { PackComps(count, nullptr, values); }), kStatusNullPointer);
}

}  // namespace
}  // namespace brixel::testing
