// The separator when the host refuses a flash or an allocation, at each step of a block
// calculation: the feed flash of the frame, the classification and the outlet flash. Each run
// is driven as the host drives it (fallback exit on failure, then destruction).
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "brixel/framework/stream_vector.h"
#include "models/separation/separator_fixture.h"
#include "support/unit_helpers.h"

namespace brixel::testing {
namespace {

namespace rec = records;

constexpr const char* kInletFlashFailed =
    "      FLASH CALCULATION OF INLET FAILED; ITS PHASES ARE NOT KNOWN.";
constexpr const char* kInletUsedAsGiven =
    "      FLASH CALCULATION OF INLET FAILED; INLET USED AS GIVEN.";
constexpr const char* kOutletFlashFailed = "      FLASH CALCULATION FAILED.";
constexpr const char* kNoMemory = "      MEMORY FOR AN INTERNAL STREAM COULD NOT BE ALLOCATED.";

enum class Feed { kFlashed, kUnflashed, kTwoTemperatures };
enum class Refuse { kNothing, kFeedFlash, kOutletFlash, kEveryFlash };

struct FaultCase {
    const char* name;
    Feed feed;
    Refuse refuse;
    bool failAllocation;
    bool heatDuty;          // the outlets share a duty (needs a work stream)
    bool classifyVelocity;  // classification by settling velocity, sharpness 0.5
    long status;
    std::vector<std::string> lines;
    int64_t outcome;  // after the driver's fallback exit, when there was one
};

class SeparatorFaultTest : public SeparatorTest {
  protected:
    std::vector<double> VectorOf(int64_t bead) {
        const double* values = host.StreamVector(bead);
        return {values, values + host.VectorLength(bead)};
    }

    int64_t FeedFor(Feed feed) {
        const int64_t bead =
            Inlet({0.1, 0.0, 0.0, 0.0}, feed == Feed::kUnflashed ? host::kRealMissing : 1.0,
                  {0.0, 0.0, 0.02, 0.0}, 350.0);
        if (feed == Feed::kTwoTemperatures) {
            host.StreamVector(bead)[stream_vector::StatePosition(
                host.SubstreamOffset(bead, 1), kComponents, stream_vector::kTemperature)] = 351.0;
        }
        return bead;
    }
};

std::vector<std::string> Trimmed(std::vector<std::string> lines) {
    for (std::string& line : lines) {
        line.erase(line.find_last_not_of(' ') + 1);
    }
    return lines;
}

TEST_F(SeparatorFaultTest, RefusedFlashesAndAllocationsAreReportedAndLoseNothing) {
    const std::vector<std::string> differentTemperatures = {
        "      SUBSTREAMS ARE AT DIFFERENT TEMPERATURES.",
        "      THERMODYNAMIC EQUILIBRIUM WILL BE ASSUMED FOR FURTHER CALCULATIONS.",
        "      INLET STREAMS WILL BE PQ-FLASHED.", kInletUsedAsGiven};
    const FaultCase cases[] = {
        // Without its phases the feed cannot be split: the frame stops before the model.
        {"feed flash, unflashed feed",
         Feed::kUnflashed,
         Refuse::kFeedFlash,
         false,
         false,
         false,
         kStatusFail,
         {kInletFlashFailed},
         rec::kOutcomeFallback},
        // Phases known, temperatures apart: the warning reaches the outcome, the run goes on.
        {"feed flash, two temperatures", Feed::kTwoTemperatures, Refuse::kFeedFlash, false, false,
         false, kStatusOk, differentTemperatures, rec::kOutcomeWarning},
        {"feed allocation",
         Feed::kUnflashed,
         Refuse::kNothing,
         true,
         false,
         false,
         kStatusFail,
         {kNoMemory},
         rec::kOutcomeFallback},
        {"outlet flash",
         Feed::kFlashed,
         Refuse::kOutletFlash,
         false,
         false,
         false,
         kStatusFail,
         {kOutletFlashFailed},
         rec::kOutcomeFallback},
        {"outlet flash, shared duty",
         Feed::kFlashed,
         Refuse::kEveryFlash,
         false,
         true,
         false,
         kStatusFail,
         {kOutletFlashFailed},
         rec::kOutcomeFallback},
        {"outlet allocation, shared duty",
         Feed::kFlashed,
         Refuse::kNothing,
         true,
         true,
         false,
         kStatusFail,
         {kNoMemory},
         rec::kOutcomeFallback},
        // The classification needs neither a flash nor a work stream of the host: it
        // completes, and only the outlets' flash fails.
        {"classification, every flash",
         Feed::kFlashed,
         Refuse::kEveryFlash,
         false,
         false,
         true,
         kStatusFail,
         {kOutletFlashFailed},
         rec::kOutcomeFallback},
        {"classification, allocation",
         Feed::kFlashed,
         Refuse::kNothing,
         true,
         false,
         true,
         kStatusOk,
         {},
         rec::kOutcomePreset},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        const int64_t feed = FeedFor(c.feed);
        const std::vector<double> feedBefore = VectorOf(feed);
        {
            Separator unit(0);
            Specify(unit, feed, kSolidSplit, 0.6, kVaporSplit, 1.0, c.classifyVelocity ? 0.5 : 0.0);
            if (c.classifyVelocity) {
                unit.GetSeparation()->SetAttributeForClass("particle settling velocity");
            }
            if (c.heatDuty) {
                CSetStateVariables& state = *unit.GetStateVariables();
                state.SetHeatDuty(0.0);
                state.SetState1("heat duty");
            }
            if (c.failAllocation) {
                unit.DontUseStandardDummyStream();  // every work stream comes from the host
            }
            host.ClearCaptures();
            host.SetFailAllocation(c.failAllocation);
            const int64_t refused = c.refuse == Refuse::kFeedFlash     ? 1
                                    : c.refuse == Refuse::kOutletFlash ? 2
                                    : c.refuse == Refuse::kEveryFlash  ? -1
                                                                       : 0;
            host.SetRefuseFlashWhen([refused](const host::FlashCall& call) {
                return refused == -1 || call.kode == refused;
            });

            const long status = unit.Calculate();
            EXPECT_EQ(status, c.status);
            if (status < 0) {
                unit.SetErrorExit();
                EXPECT_EQ(host.HistoryLines().back(),
                          "      ABORTING CALCULATION DUE TO ERRORS. OUTLET STREAMS SET TO "
                          "FALLBACK MODE!");
            }
            EXPECT_EQ(Trimmed(host.PrintedLines()), c.lines);
            EXPECT_EQ(Outcome(), c.outcome);
            if (c.feed == Feed::kUnflashed && c.status < 0) {
                EXPECT_TRUE(host.FlashCalls().empty() || c.refuse == Refuse::kFeedFlash);
            }

            // Every component reaches the outlets once, on every path: the solids to the
            // solid outlet and the nitrogen to the fluid outlet in the fallback.
            ExpectComponentBalance();
            if (status < 0) {
                EXPECT_EQ(Component(fluidOut, kSilica), 0.0);
                EXPECT_EQ(Component(solidOut, kNitrogen), 0.0);
            }
            if (c.classifyVelocity) {
                EXPECT_LT(unit.GetSeparation()->GetD50(), host::kRealMissing);
                EXPECT_NEAR(unit.GetSeparation()->GetSolidSplitCalc(), 0.6, 1e-4);
            }
        }
        // The host's inlet leaves the block as it came, to the bit; no work stream is left.
        EXPECT_TRUE(BitwiseEqual(VectorOf(feed), feedBefore));
        EXPECT_EQ(host.LiveAllocations(), 0u);
        host.SetFailAllocation(false);
        host.SetRefuseFlash(false);
    }
}

TEST_F(SeparatorFaultTest, OutletsOfAnUnflashedFeedKeepItsFluidInTheFallback) {
    // The refused flash leaves the feed's nitrogen without a phase; the fallback must neither
    // drop it (a vapour flow of 0 written over unknown phases) nor put it in both outlets.
    const int64_t feed = FeedFor(Feed::kUnflashed);
    Separator unit(1);
    Specify(unit, feed, kSolidSplit, 0.6, kSolidLoadOfFluid, 0.1);
    host.SetRefuseFlash(true);
    ASSERT_EQ(unit.Calculate(), kStatusFail);
    unit.SetErrorExit();
    EXPECT_EQ(Outcome(), rec::kOutcomeFallback);
    EXPECT_EQ(Component(fluidOut, kNitrogen), 0.1);
    EXPECT_EQ(Component(solidOut, kNitrogen), 0.0);
    EXPECT_EQ(Component(solidOut, kSilica), 0.02);
    EXPECT_EQ(Component(fluidOut, kSilica), 0.0);
}

}  // namespace
}  // namespace brixel::testing
