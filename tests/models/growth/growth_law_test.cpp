// Growth laws on one substream's PSD, checked against increments, shares and particle numbers
// worked out here independently of the library.
#include "brixel/models/growth/growth_law.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "models/growth/growth_fixture.h"

namespace brixel::growth {
namespace {

using testing::growth_check::Bisect;
using testing::growth_check::kPi;
using testing::growth_check::LawMassChange;
using testing::growth_check::Mean;
using testing::growth_check::Particles;
using testing::growth_check::Sum;

constexpr double kRho = 2000.0;  // kg/m3

// Mesh 0, 10, 20, 40, 80, 160 um and a feed with something in every class.
const std::vector<double> kMesh = {0.0, 1e-5, 2e-5, 4e-5, 8e-5, 1.6e-4};
const std::vector<double> kPsd = {0.1, 0.2, 0.3, 0.3, 0.1};

GrowthInput Input(double massIn, double massOut, std::vector<double> mesh = kMesh,
                  std::vector<double> psd = kPsd, double rhoOut = kRho) {
    GrowthInput input;
    input.mesh = std::move(mesh);
    input.fractions = std::move(psd);
    input.massIn = massIn;
    input.massOut = massOut;
    input.densityIn = kRho;
    input.densityOut = rhoOut;
    input.negligible = 1e-20;
    return input;
}

// Particle number flow of class i (1/s) from its mass and mean size.
double Number(const GrowthInput& in, std::size_t i) {
    return Particles(in.massIn * in.fractions[i], Mean(in.mesh, i), in.densityIn);
}

double MassChange(const GrowthInput& in, bool volume, double x) {
    return LawMassChange(in.mesh, in.fractions, in.massIn, in.densityIn, volume, x);
}

std::vector<double> Mapped(const GrowthPlan& plan, const std::vector<double>& q) {
    return testing::growth_check::Mapped(plan.matrix, q);
}

// Every class keeps its particle number at its new size and mass, and the new masses add up
// to the outlet mass within the search tolerance (1e-4 of the change).
void ExpectNumbersKept(const GrowthInput& in, const GrowthPlan& plan) {
    double total = 0.0;
    for (std::size_t i = 0; i < in.fractions.size(); ++i) {
        total += plan.newMass[i];
        if (plan.newMass[i] <= 0.0 || in.fractions[i] == 0.0) {
            continue;
        }
        const double d = plan.newSize[i];
        const double n = plan.newMass[i] / (in.densityOut * kPi / 6.0 * d * d * d);
        EXPECT_NEAR(n / Number(in, i), 1.0, 1e-12) << "class " << i;
    }
    EXPECT_NEAR(total, in.massOut, 1e-4 * std::fabs(in.massOut - in.massIn) + 1e-15);
}

TEST(SpreadClass, SharesAShiftedClassByOverlapAndFoldsTheEdgesIn) {
    const std::vector<double> mesh = {0.0, 1.0, 2.0, 3.0, 4.0};
    std::vector<double> row(4);
    SpreadEvents events;
    SpreadClass(mesh, 1, 0.0, 1.0, 0.5, row.data(), events);
    EXPECT_EQ(row, (std::vector<double>{0.0, 1.0, 0.0, 0.0}));
    SpreadClass(mesh, 1, 0.5, 0.8, 0.5, row.data(), events);
    EXPECT_EQ(row, (std::vector<double>{0.0, 0.4, 0.4, 0.0}));
    SpreadClass(mesh, 1, 0.25, 1.0, 0.5, row.data(), events);
    EXPECT_EQ(row, (std::vector<double>{0.0, 0.75, 0.25, 0.0}));
    EXPECT_FALSE(events.overhangsTop || events.aboveTop || events.belowBottom);

    // Partly below the first boundary: all of it into the first class, no event.
    SpreadClass(mesh, 1, -1.5, 1.0, 0.5, row.data(), events);
    EXPECT_EQ(row, (std::vector<double>{1.0, 0.0, 0.0, 0.0}));
    EXPECT_FALSE(events.belowBottom);
    // Overhanging the top, starting inside the last class: the last class takes it all.
    SpreadClass(mesh, 2, 1.5, 1.0, 0.5, row.data(), events);
    EXPECT_EQ(row, (std::vector<double>{0.0, 0.0, 0.0, 1.0}));
    EXPECT_TRUE(events.overhangsTop);
    EXPECT_FALSE(events.aboveTop);
    // Wholly above and wholly below.
    SpreadClass(mesh, 0, 10.0, 0.7, 0.5, row.data(), events);
    EXPECT_EQ(row, (std::vector<double>{0.0, 0.0, 0.0, 0.7}));
    EXPECT_TRUE(events.aboveTop);
    SpreadClass(mesh, 3, -5.0, 0.7, 0.5, row.data(), events);
    EXPECT_EQ(row, (std::vector<double>{0.7, 0.0, 0.0, 0.0}));
    EXPECT_TRUE(events.belowBottom);

    // A light class (fraction 1e-4 or less) moves the same but raises nothing.
    SpreadEvents quiet;
    SpreadClass(mesh, 0, 10.0, 1.0, 1e-4, row.data(), quiet);
    SpreadClass(mesh, 3, -5.0, 1.0, 1e-4, row.data(), quiet);
    EXPECT_FALSE(quiet.aboveTop || quiet.belowBottom);
}

TEST(SpreadClass, WideClassesAtTheEdgesSplitByLength) {
    // Last class entered from below: the part above its lower bound, overhang included.
    const std::vector<double> top = {0.0, 2.0, 3.0};
    std::vector<double> row(2);
    SpreadEvents events;
    SpreadClass(top, 0, 1.5, 1.0, 0.5, row.data(), events);
    EXPECT_DOUBLE_EQ(row[0], 0.25);
    EXPECT_DOUBLE_EQ(row[1], 0.75);
    EXPECT_TRUE(events.overhangsTop);
    // First class reached from below with the shifted class reaching past it.
    const std::vector<double> bottom = {1.0, 1.5, 4.0};
    SpreadClass(bottom, 1, -1.0, 1.0, 0.5, row.data(), events);
    EXPECT_DOUBLE_EQ(row[0], 0.4);
    EXPECT_DOUBLE_EQ(row[1], 0.6);
}

TEST(DissolvedMass, FollowsEachLawAndDissolvesWholeClasses) {
    const std::vector<double> numbers = {1e6, 2e6};
    const std::vector<double> means = {1e-5, 3e-5};
    std::vector<double> masses(2);
    for (std::size_t i = 0; i < 2; ++i) {
        masses[i] = numbers[i] * kRho * kPi / 6.0 * std::pow(means[i], 3);
    }
    std::vector<double> changes;
    // Diameter law, 2 um more: n rho pi/6 ((d + 2um)^3 - d^3).
    const double grow =
        DissolvedMass(Law::kDiameter, 2e-6, 1.0, kRho, numbers, means, masses, changes);
    const double first = 1e6 * kRho * kPi / 6.0 * (1.728e-15 - 1e-15);
    const double second = 2e6 * kRho * kPi / 6.0 * (3.2768e-14 - 2.7e-14);
    EXPECT_NEAR(changes[0], first, 1e-12 * first);
    EXPECT_NEAR(changes[1], second, 1e-12 * second);
    EXPECT_NEAR(grow, first + second, 1e-12 * grow);
    // Shrinking by 15 um: the 10 um class dissolves, the 30 um one becomes 15 um.
    DissolvedMass(Law::kDiameter, -1.5e-5, 1.0, kRho, numbers, means, masses, changes);
    EXPECT_DOUBLE_EQ(changes[0], -masses[0]);
    EXPECT_NEAR(changes[1], -masses[1] * (1.0 - 0.125), 1e-12 * masses[1]);
    // Volume law: n rho dV for classes that stay; the small one cannot give 1e-15 m3.
    const double dv = -1e-15;
    DissolvedMass(Law::kVolume, dv, 1.0, kRho, numbers, means, masses, changes);
    EXPECT_DOUBLE_EQ(changes[0], -masses[0]);
    EXPECT_NEAR(changes[1], 2e6 * kRho * dv, 1e-12 * masses[1]);
    // Never more lost than came in.
    EXPECT_EQ(DissolvedMass(Law::kDiameter, -1.0, 1e-9, kRho, numbers, means, masses, changes),
              -1e-9);
}

TEST(ControlBlock, GrowthOrderMapsOntoTheHostFindersWords) {
    const GrowthInput growth = Input(1.0, 1.1);
    const ClassState classes = DescribeClasses(growth);
    double n = 0.0;
    for (std::size_t i = 0; i < kPsd.size(); ++i) {
        n += Number(growth, i);
    }
    EXPECT_NEAR(classes.totalNumber, n, 1e-12 * n);

    const ControlBlock volume = GrowthControlBlock(Law::kVolume, classes, 1.0, 1.1, kRho);
    EXPECT_EQ(volume[0], 0.0);
    EXPECT_NEAR(volume[1], 0.1 / (kRho * n), 1e-12 * volume[1]);   // dV0
    EXPECT_NEAR(volume[2], kPi / 6.0 * std::pow(5e-6, 3), 1e-30);  // smallest class
    EXPECT_NEAR(volume[3], 0.1, 1e-15);
    EXPECT_NEAR(volume[4], 1e-5, 1e-18);
    EXPECT_EQ(volume[5], 0.0);
    for (std::size_t w = 6; w < 15; ++w) {
        EXPECT_EQ(volume[w], 1.0) << w;
    }
    const ControlBlock host = HostRootState(volume, -2.0, 3.0);
    EXPECT_EQ(host[0], -2.0);       // lower bound
    EXPECT_EQ(host[1], 3.0);        // upper bound
    EXPECT_EQ(host[2], volume[2]);  // step
    EXPECT_EQ(host[3], volume[4]);  // tolerance
    EXPECT_EQ(host[4], 0.0);
    EXPECT_EQ(host[5], 0.0);
    for (std::size_t w = 6; w < 15; ++w) {
        EXPECT_EQ(host[w], 1.0) << w;
    }

    // Dissolution: the most volume a particle of the largest occupied class can lose, and a
    // tolerance the finder takes as a magnitude.
    std::vector<double> psd = {0.5, 0.5, 0.0, 0.0, 0.0};
    const GrowthInput shrink = Input(1.0, 0.8, kMesh, psd);
    const ControlBlock down =
        GrowthControlBlock(Law::kVolume, DescribeClasses(shrink), 1.0, 0.8, kRho);
    EXPECT_NEAR(down[1], -kPi / 6.0 * std::pow(1.5e-5, 3), 1e-30);
    EXPECT_NEAR(down[4], -2e-5, 1e-18);
    EXPECT_NEAR(HostRootState(down, -1.0, 0.0)[3], 2e-5, 1e-18);

    // Diameter law: the scale (6/pi |dM| / rho)^(1/3) and a hundredth of it as the step.
    const ControlBlock diameter = GrowthControlBlock(Law::kDiameter, classes, 1.0, 1.1, kRho);
    EXPECT_NEAR(diameter[1], std::cbrt(6.0 * 0.1 / (kPi * kRho)), 1e-15);
    EXPECT_NEAR(diameter[2], diameter[1] / 100.0, 1e-17);
}

TEST(IncrementGrowth, DiameterLawMovesEveryClassByTheSameIncrement) {
    const GrowthInput in = Input(1.0, 1.1);  // 10 % more mass
    const double expected =
        Bisect([&](double x) { return MassChange(in, false, x) - 0.1; }, 0.0, 1e-4);
    for (const int method : {kMethodDiameter, kMethodDiameterWeighted}) {
        const GrowthPlan plan = IncrementGrowth(method, in);
        ASSERT_TRUE(plan.ok) << method;
        // The mass is met to 1e-4 of the change; the increment therefore to about as much.
        EXPECT_NEAR(plan.increment, expected, 2e-4 * expected) << method;
        for (std::size_t i = 0; i < kPsd.size(); ++i) {
            EXPECT_DOUBLE_EQ(plan.sizeChange[i], plan.increment);
            EXPECT_DOUBLE_EQ(plan.shift[i], plan.increment);
            EXPECT_NEAR(plan.newSize[i], Mean(kMesh, i) + plan.increment, 1e-18);
        }
        ExpectNumbersKept(in, plan);
        EXPECT_LE(plan.search.evaluations, 102);
        // Mass is kept by the matrix: the mapped fractions add up to 1.
        EXPECT_NEAR(Sum(Mapped(plan, kPsd)), 1.0, 1e-12);
        // The top class (q = 0.1) overhangs the last boundary.
        EXPECT_TRUE(plan.events.overhangsTop);
    }
    // Method 1 keeps each class's mass share; method 2 weights it by the class's new mass.
    const GrowthPlan plain = IncrementGrowth(kMethodDiameter, in);
    const GrowthPlan weighted = IncrementGrowth(kMethodDiameterWeighted, in);
    for (std::size_t i = 0; i < kPsd.size(); ++i) {
        EXPECT_EQ(plain.relative[i], 1.0);
        EXPECT_NEAR(weighted.relative[i], weighted.newMass[i] / (kPsd[i] * 1.0), 1e-14);
    }
    EXPECT_NEAR(weighted.rowScale, 1.1, 1e-4 * 0.1 + 1e-12);
}

TEST(IncrementGrowth, VolumeLawGivesEveryParticleTheSameVolume) {
    const GrowthInput in = Input(2.0, 2.3);
    double n = 0.0;
    for (std::size_t i = 0; i < kPsd.size(); ++i) {
        n += Number(in, i);
    }
    const double dv = 0.3 / (kRho * n);  // no class vanishes: exactly linear
    for (const int method : {kMethodVolume, kMethodVolumeWeighted}) {
        const GrowthPlan plan = IncrementGrowth(method, in);
        ASSERT_TRUE(plan.ok);
        EXPECT_NEAR(plan.increment, dv, 1e-4 * dv);
        for (std::size_t i = 0; i < kPsd.size(); ++i) {
            const double d = Mean(kMesh, i);
            const double grown = d + plan.sizeChange[i];
            EXPECT_NEAR(kPi / 6.0 * (grown * grown * grown - d * d * d), plan.increment,
                        1e-9 * plan.increment)
                << i;
        }
        ExpectNumbersKept(in, plan);
    }
}

TEST(IncrementGrowth, DissolutionRemovesTheFinestClassesAndRescalesTheRest) {
    // 60 % of the mass dissolves; the volume per particle lost exceeds the 5 um class's.
    const GrowthInput in = Input(1.0, 0.4);
    const double expected = Bisect([&](double x) { return MassChange(in, true, x) + 0.6; },
                                   -kPi / 6.0 * std::pow(1.2e-4, 3), 0.0);
    const GrowthPlan plan = IncrementGrowth(kMethodVolume, in);
    ASSERT_TRUE(plan.ok);
    EXPECT_NEAR(plan.increment, expected, 1e-3 * std::fabs(expected));
    EXPECT_LT(plan.increment, -kPi / 6.0 * std::pow(5e-6, 3));
    EXPECT_EQ(plan.relative[0], 0.0);
    EXPECT_EQ(plan.newMass[0], 0.0);
    EXPECT_DOUBLE_EQ(plan.massChange[0], -0.1);
    for (const double x : plan.matrix) {
        EXPECT_GE(x, 0.0);
    }
    // A class vanishes exactly when d^3 + 6 dV / pi is not positive.
    for (std::size_t j = 0; j < kPsd.size(); ++j) {
        const bool stays = std::pow(Mean(kMesh, j), 3) + 6.0 * expected / kPi > 0.0;
        EXPECT_EQ(plan.newMass[j] > 0.0, stays) << j;
    }
    EXPECT_EQ(plan.newMass[4] > 0.0, true);
    // Rows rescaled: mapped fractions sum to 1, so the outlet's mass stays 0.4.
    EXPECT_NEAR(Sum(Mapped(plan, kPsd)), 1.0, 1e-12);
    EXPECT_NEAR(plan.rowScale, 0.4, 1e-4 * 0.6);
    ExpectNumbersKept(in, plan);

    // Diameter law: shrinking is negative, so the rows are weighted by the new mass even for
    // method 1; the smallest classes go entirely.
    const double dd =
        Bisect([&](double x) { return MassChange(in, false, x) + 0.6; }, -1.2e-4, 0.0);
    const GrowthPlan diameter = IncrementGrowth(kMethodDiameter, in);
    ASSERT_TRUE(diameter.ok);
    EXPECT_NEAR(diameter.increment, dd, 1e-3 * std::fabs(dd));
    EXPECT_EQ(diameter.newMass[0], 0.0);
    EXPECT_NEAR(diameter.relative[4], diameter.newMass[4] / 0.1, 1e-14);
    ExpectNumbersKept(in, diameter);
}

TEST(IncrementGrowth, NoMassChangeAndNoDensityChangeIsTheIdentity) {
    const GrowthInput in = Input(1.0, 1.0);
    for (int method = 0; method <= 4; ++method) {
        const GrowthPlan plan = IncrementGrowth(method, in);
        ASSERT_TRUE(plan.ok);
        EXPECT_EQ(plan.search.evaluations, 0);  // nothing searched
        for (std::size_t i = 0; i < 5; ++i) {
            for (std::size_t j = 0; j < 5; ++j) {
                EXPECT_EQ(plan.matrix[i * 5 + j], i == j ? 1.0 : 0.0);
            }
        }
    }
    for (int method = 5; method <= 7; ++method) {
        const GrowthPlan plan = EquivalentGrowth(method, in);
        ASSERT_TRUE(plan.ok);
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(plan.matrix[i * 5 + i], 1.0);
        }
    }
}

TEST(IncrementGrowth, EmptyClassesThatDoNotMoveKeepTheirRow) {
    const std::vector<double> psd = {0.0, 0.4, 0.6, 0.0, 0.0};
    for (const int method : {kMethodDiameter, kMethodVolumeWeighted, kMethodNumberShare}) {
        const GrowthInput in = Input(1.0, 1.0, kMesh, psd);
        const GrowthPlan plan =
            method < 5 ? IncrementGrowth(method, in) : EquivalentGrowth(method, in);
        ASSERT_TRUE(plan.ok);
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(plan.matrix[i * 5 + i], 1.0) << method << " " << i;
        }
    }
    // Moving, an empty class carries nothing.
    const GrowthPlan grown = IncrementGrowth(kMethodDiameter, Input(1.0, 1.5, kMesh, psd));
    for (std::size_t j = 0; j < 5; ++j) {
        EXPECT_EQ(grown.matrix[j], 0.0);
    }
}

TEST(IncrementGrowth, ATinyMassChangeIsStillFound) {
    for (const int method : {kMethodDiameter, kMethodVolume}) {
        const GrowthInput in = Input(1.0, 1.0 + 1e-9);
        const GrowthPlan plan = IncrementGrowth(method, in);
        ASSERT_TRUE(plan.ok) << method;
        EXPECT_GT(plan.increment, 0.0);
        EXPECT_NEAR(Sum(plan.newMass), 1.0 + 1e-9, 1e-13);
    }
}

TEST(IncrementGrowth, EqualVolumePerParticleIsEqualMassPerParticle) {
    // Growing, no class vanishes: the weighted volume law and number shares are one law.
    const GrowthInput in = Input(1.0, 1.25);
    const GrowthPlan volume = IncrementGrowth(kMethodVolumeWeighted, in);
    const GrowthPlan number = EquivalentGrowth(kMethodNumberShare, in);
    ASSERT_TRUE(volume.ok && number.ok);
    for (std::size_t i = 0; i < kPsd.size(); ++i) {
        EXPECT_NEAR(volume.newMass[i], number.newMass[i], 1e-5 * number.newMass[i]) << i;
        EXPECT_NEAR(volume.newSize[i], number.newSize[i], 1e-5 * number.newSize[i]) << i;
    }
}

TEST(IncrementGrowth, DenserOutletSolidsShrinkEachParticleAtTheSameMass) {
    // Same mass, density doubled: every size scales by (1/2)^(1/3).
    const GrowthInput in = Input(1.0, 1.0, kMesh, kPsd, 2.0 * kRho);
    const double ratio = std::cbrt(0.5);
    for (const int method : {kMethodDiameter, kMethodMassShare}) {
        const GrowthPlan plan =
            method < 5 ? IncrementGrowth(method, in) : EquivalentGrowth(method, in);
        ASSERT_TRUE(plan.ok);
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_NEAR(plan.shift[i], (ratio - 1.0) * Mean(kMesh, i), 1e-18) << method;
        }
        ExpectNumbersKept(in, plan);
    }
}

TEST(IncrementGrowth, DissolvingAlmostEverythingLeavesTheOutletMassOnTheMesh) {
    // 1 kg/s down to 1 ug/s: 1e-4 of the change would allow a root with nothing left, so the
    // tolerance falls to 1e-4 of what remains.
    for (const int method : {kMethodDiameter, kMethodVolume}) {
        const GrowthInput in = Input(1.0, 1e-9);
        const ControlBlock block =
            GrowthControlBlock(LawOf(method), DescribeClasses(in), 1.0, 1e-9, kRho);
        EXPECT_NEAR(block[kBlockTolerance], -1e-13, 1e-25);
        const GrowthPlan plan = IncrementGrowth(method, in);
        ASSERT_TRUE(plan.ok) << method;
        EXPECT_NEAR(Sum(plan.newMass), 1e-9, 1e-13);
        EXPECT_GT(plan.newMass[4], 0.0);  // the coarsest particles remain
        EXPECT_NEAR(Sum(Mapped(plan, kPsd)), 1.0, 1e-12);
    }
}

TEST(IncrementGrowth, AFailedSearchLeavesNoPlan) {
    const GrowthInput in = Input(1.0, 1.1);
    const GrowthPlan plan = IncrementGrowth(kMethodDiameter, in, 1);
    EXPECT_FALSE(plan.ok);
    EXPECT_FALSE(plan.search.found);
    EXPECT_LT(plan.search.finderStatus, 0);
    EXPECT_TRUE(plan.matrix.empty());
}

// Three classes of 5, 15 and 30 um mean size with 0.2, 0.3, 0.5 of 1 kg/s, growing to 1.2.
struct ShareCase {
    int method;
    std::vector<double> weight;  // unnormalized share of each class
};

TEST(EquivalentGrowth, SharesTheMassChangeByMassSurfaceOrNumber) {
    const std::vector<double> mesh = {0.0, 1e-5, 2e-5, 4e-5};
    const std::vector<double> q = {0.2, 0.3, 0.5};
    const std::vector<double> d = {5e-6, 1.5e-5, 3e-5};
    // Number n_i ~ m_i / d_i^3, surface n_i d_i^2 ~ m_i / d_i (common factors cancel).
    const std::vector<ShareCase> cases = {
        {kMethodMassShare, {0.2, 0.3, 0.5}},
        {kMethodSurfaceShare, {0.2 / 5.0, 0.3 / 15.0, 0.5 / 30.0}},
        {kMethodNumberShare, {0.2 / 125.0, 0.3 / 3375.0, 0.5 / 27000.0}},
    };
    for (const ShareCase& c : cases) {
        const GrowthInput in = Input(1.0, 1.2, mesh, q);
        const GrowthPlan plan = EquivalentGrowth(c.method, in);
        ASSERT_TRUE(plan.ok);
        const double total = Sum(c.weight);
        std::vector<double> outlet(3);
        for (std::size_t i = 0; i < 3; ++i) {
            const double grown = q[i] + 0.2 * c.weight[i] / total;
            EXPECT_NEAR(plan.newMass[i], grown, 1e-14) << c.method << " class " << i;
            EXPECT_NEAR(plan.newSize[i], d[i] * std::cbrt(grown / q[i]), 1e-18);
            EXPECT_NEAR(plan.shift[i], plan.newSize[i] - d[i], 1e-18);
            EXPECT_NEAR(plan.relative[i], grown / 1.2 / q[i], 1e-14);
            outlet[i] = grown / 1.2;
        }
        ExpectNumbersKept(in, plan);
        EXPECT_NEAR(Sum(Mapped(plan, q)), 1.0, 1e-14);
    }
    // Mass shares grow every size by the same factor.
    const GrowthPlan mass = EquivalentGrowth(kMethodMassShare, Input(1.0, 1.2, mesh, q));
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(mass.newSize[i] / d[i], std::cbrt(1.2), 1e-14);
    }
}

TEST(EquivalentGrowth, ADissolvedClassHandsItsDeficitToTheNextOne) {
    // Number shares with 90 % dissolving: the fine class's share exceeds its mass.
    const std::vector<double> mesh = {0.0, 1e-5, 2e-5, 4e-5};
    const std::vector<double> q = {0.2, 0.3, 0.5};
    const GrowthInput in = Input(1.0, 0.1, mesh, q);
    const GrowthPlan plan = EquivalentGrowth(kMethodNumberShare, in);
    ASSERT_TRUE(plan.ok);
    const std::vector<double> w = {0.2 / 125.0, 0.3 / 3375.0, 0.5 / 27000.0};
    const double total = Sum(w);
    const double first = 0.2 - 0.9 * w[0] / total;  // below zero: dissolves
    ASSERT_LT(first, 0.0);
    const double second = 0.3 - 0.9 * w[1] / total + first;
    const double third = 0.5 - 0.9 * w[2] / total + (second < 1e-10 ? second : 0.0);
    EXPECT_EQ(plan.newMass[0], 0.0);
    EXPECT_EQ(plan.relative[0], 0.0);
    if (second < 1e-10) {
        EXPECT_EQ(plan.newMass[1], 0.0);
    } else {
        EXPECT_NEAR(plan.newMass[1], second, 1e-14);
    }
    EXPECT_NEAR(plan.newMass[2], third, 1e-14);
    EXPECT_NEAR(Sum(plan.newMass), 0.1, 1e-14);  // nothing lost
    EXPECT_NEAR(Sum(Mapped(plan, q)), 1.0, 1e-12);
    for (const double x : plan.matrix) {
        EXPECT_GE(x, 0.0);
    }
}

// Number flow of the mapped outlet on its mesh (class means) against the inlet's, relative:
// for the laws that give each class its new mass the error comes only from spreading the
// shifted classes over fixed classes and shrinks on finer meshes.
struct MeshCase {
    std::vector<double> mesh;
    std::vector<double> q;
};

MeshCase LogNormalCase(std::size_t classes) {
    MeshCase c{std::vector<double>(classes + 1), std::vector<double>(classes)};
    double total = 0.0;
    for (std::size_t k = 0; k <= classes; ++k) {
        c.mesh[k] = 4e-4 * static_cast<double>(k) / static_cast<double>(classes);
    }
    // A log-normal mass density about 100 um (sigma of ln x 0.25), well inside the mesh;
    // midpoint value times width per class.
    for (std::size_t k = 0; k < classes; ++k) {
        const double z = std::log(Mean(c.mesh, k) / 1e-4) / 0.25;
        c.q[k] = std::exp(-0.5 * z * z) * (c.mesh[k + 1] - c.mesh[k]);
        total += c.q[k];
    }
    for (double& value : c.q) {
        value /= total;
    }
    return c;
}

double MappedNumberError(int method, std::size_t classes) {
    const MeshCase c = LogNormalCase(classes);
    const GrowthInput in = Input(1.0, 1.3, c.mesh, c.q);
    const GrowthPlan plan =
        method < kMethodMassShare ? IncrementGrowth(method, in) : EquivalentGrowth(method, in);
    const std::vector<double> out = Mapped(plan, c.q);
    double before = 0.0;
    double after = 0.0;
    for (std::size_t k = 0; k < classes; ++k) {
        before += Number(in, k);
        after += Particles(1.3 * out[k], Mean(c.mesh, k), kRho);
    }
    return after / before - 1.0;
}

TEST(IncrementGrowth, MeshMappingNumberErrorFallsOnFinerMeshes) {
    for (const int method : {kMethodDiameterWeighted, kMethodVolumeWeighted, kMethodMassShare,
                             kMethodSurfaceShare, kMethodNumberShare}) {
        const double coarse = std::fabs(MappedNumberError(method, 10));
        const double medium = std::fabs(MappedNumberError(method, 40));
        const double fine = std::fabs(MappedNumberError(method, 160));
        EXPECT_LT(medium, coarse) << method;
        EXPECT_LT(fine, medium) << method;
        EXPECT_LT(fine, 2e-3) << method;
    }
}

TEST(IncrementGrowth, UnweightedDiameterLawKeepsMassSharesNotNumbers) {
    // Method 1 shifts each class with its inlet mass share: on a fine mesh the outlet counts
    // M_out sum q_i / (d_i + dd)^3 against M_in sum q_i / d_i^3 particles, not the same number.
    const MeshCase c = LogNormalCase(160);
    const GrowthInput in = Input(1.0, 1.3, c.mesh, c.q);
    const double dd = Bisect([&](double x) { return MassChange(in, false, x) - 0.3; }, 0.0, 1e-4);
    double before = 0.0;
    double after = 0.0;
    for (std::size_t k = 0; k < c.q.size(); ++k) {
        const double d = Mean(c.mesh, k);
        before += c.q[k] / (d * d * d);
        after += 1.3 * c.q[k] / std::pow(d + dd, 3);
    }
    const double shares = after / before - 1.0;
    EXPECT_LT(shares, -0.03);
    EXPECT_NEAR(MappedNumberError(kMethodDiameter, 160), shares, 2e-3);
}

}  // namespace
}  // namespace brixel::growth
