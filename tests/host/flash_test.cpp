// The host's flash, mixer and stream services on databank components.
#include <cmath>
#include <cstring>
#include <numeric>

#include "brixel/exports/flash_exports.h"
#include "brixel/exports/plex_exports.h"
#include "brixel/framework/plex.h"
#include "host/thermo.h"
#include "host_fixture.h"

namespace brixel::host::testing {
namespace {

// Vapour pressure of water (Pa), DIPPR equation 101 with the constants of Perry's handbook.
double WaterVapourPressure(double t) {
    return std::exp(73.649 - 7258.2 / t - 7.3037 * std::log(t) + 4.1653e-6 * t * t);
}

class FlashTest : public HostTest {
  protected:
    void SetUp() override {
        for (const char* id : {"N2", "O2", "WATER", "ETHANOL", "SIO2"}) {
            host->AddDatabankComponent(id);
        }
        host->AddComponent(
            {.id = "PE", .molecularWeight = 28000.0, .parameters = {{"TMVK", {408.0}}}});
        host->AddNonconventionalComponent("COAL");
        host->SetMoistureAttribute("MOISTURE");
        const std::vector<double> mesh{0.0, 1e-5, 1e-4, 1e-3};
        classBead = host->AddStreamClass("MIXCINC", {{"MIXED", 1, {}},
                                                     {"CISOLID", 2, {Psd(mesh)}},
                                                     {"NC", 3, {Psd(mesh), {"MOISTURE", {}, 1}}}});
        plex::SetupFromHost();
    }

    // MIXED flows (N2, O2, WATER, ETHANOL) and CISOLID silica, both at t, p.
    int64_t Stream(std::vector<double> fluid, double silica = 0.0, double t = 300.0, double p = 1e5,
                   std::vector<double> psd = {}) {
        const int64_t bead = host->AddStream(classBead);
        fluid.resize(6, 0.0);
        host->SetSubstream(bead, 0, {.flows = fluid, .temperature = t, .pressure = p, .psd = {}});
        host->SetSubstream(
            bead, 1,
            {.flows = {0, 0, 0, 0, silica, 0}, .temperature = t, .pressure = p, .psd = psd});
        return bead;
    }

    int64_t Flash(int64_t bead, int64_t kode, double spec1, double spec2,
                  double spec3 = kRealMissing, std::vector<int> substreams = {0, 1, 2}) {
        std::vector<int64_t> positions, types;
        for (const int k : substreams) {
            positions.push_back(host->SubstreamOffset(bead, k) + 1);
            types.push_back(k + 1);  // MIXED, CISOLID, NC in this class
        }
        const auto count = static_cast<int64_t>(positions.size());
        const int64_t phases = 2, phase = 1, iterations = 50, print = 0, zero = 0;
        const double tolerance = 1e-6;
        std::vector<double> realWork(512);
        std::vector<int64_t> intWork(128);
        int64_t status = 99;
        HostFlash(host->StreamVector(bead), &count, positions.data(), types.data(), nullptr, &kode,
                  &phases, &phase, &iterations, &tolerance, &spec1, &spec2, &spec3, &print, &print,
                  &zero, &zero, realWork.data(), intWork.data(), &status);
        return status;
    }

    // Word `entry` of the state block of substream k (stream_vector.h positions).
    double& State(int64_t bead, int k, int entry) {
        const int64_t n = k == 2 ? 1 : 6;
        return host->StreamVector(bead)[host->SubstreamOffset(bead, k) + n + entry];
    }
    double EnthalpyFlow(int64_t bead) {  // W: sum of F MW h over substreams with flow
        double sum = 0.0;
        for (int k = 0; k < 3; ++k) {
            if (State(bead, k, 0) > 0.0 && State(bead, k, 0) < kRealMissing) {
                sum += State(bead, k, 0) * State(bead, k, 8) * State(bead, k, 3);
            }
        }
        return sum;
    }
    std::vector<double> Vector(int64_t bead) {
        return {host->StreamVector(bead), host->StreamVector(bead) + host->VectorLength(bead)};
    }
    struct Results {
        std::vector<int64_t> components;
        std::vector<double> x, y, c, d;
        double beta = 0.0;
    };
    Results Read() {
        int64_t count = 0, *components = nullptr;
        double *a = nullptr, *b = nullptr, *c = nullptr, *d = nullptr, beta = 0.0;
        FlashResults(&count, &components, &a, &b, &c, &d, &beta);
        return {{components, components + count},
                {a, a + count},
                {b, b + count},
                {c, c + count},
                {d, d + count},
                beta};
    }

    static constexpr int kT = 1, kP = 2, kVapour = 4, kLiquid = 5;
    int64_t classBead = 0;
};

TEST_F(FlashTest, WaterInNitrogenCondensesBelowItsDewPoint) {
    const int64_t bead = Stream({1.0, 0.0, 0.05});
    const double yWater = 0.05 / 1.05, p = 1e5;
    double low = 273.16, high = 373.0;  // dew point: y_w P = Psat(T)
    for (int i = 0; i < 100; ++i) {
        const double t = (low + high) / 2;
        (WaterVapourPressure(t) < yWater * p ? low : high) = t;
    }
    ASSERT_EQ(Flash(bead, 2, low + 0.05, p), 0);
    EXPECT_EQ(State(bead, 0, kVapour), 1.0);
    EXPECT_EQ(State(bead, 0, kLiquid), 0.0);

    const double t = low - 0.5;
    ASSERT_EQ(Flash(bead, 2, t, p), 0);
    EXPECT_GT(State(bead, 0, kLiquid), 0.0);
    EXPECT_NEAR(State(bead, 0, kVapour) + State(bead, 0, kLiquid), 1.0, 1e-15);
    const Results r = Read();
    ASSERT_EQ(r.components, (std::vector<int64_t>{1, 3}));
    EXPECT_NEAR(r.x[1] * WaterVapourPressure(t), r.y[1] * p, 1e-9 * r.y[1] * p);
    const double total = 1.05;  // water balance over the two phases
    EXPECT_NEAR(total * (State(bead, 0, kVapour) * r.y[1] + State(bead, 0, kLiquid) * r.x[1]), 0.05,
                1e-12);
    EXPECT_EQ(State(bead, 1, kT), t);  // the empty CISOLID substream takes T and P
    EXPECT_EQ(State(bead, 1, 0), 0.0);
}

TEST_F(FlashTest, PQKeepsTheEnthalpyAndAddsTheDuty) {
    const int64_t bead = Stream({1.0, 0.0, 0.5, 0.2});
    ASSERT_EQ(Flash(bead, 2, 330.0, 1e5), 0);
    ASSERT_GT(State(bead, 0, kLiquid), 0.0);
    const std::vector<double> flows(host->StreamVector(bead), host->StreamVector(bead) + 6);
    const double before = EnthalpyFlow(bead);

    ASSERT_EQ(Flash(bead, 1, 0.0, 0.0), 0);
    EXPECT_NEAR(EnthalpyFlow(bead), before, 1e-9 * std::abs(before));
    EXPECT_NEAR(State(bead, 0, kT), 330.0, 1e-6);
    EXPECT_EQ(std::vector<double>(host->StreamVector(bead), host->StreamVector(bead) + 6), flows);

    ASSERT_EQ(Flash(bead, 1, 0.0, 2e6), 0);
    EXPECT_NEAR(EnthalpyFlow(bead) - before, 2e6, 1e-9 * std::abs(before));
    EXPECT_GT(State(bead, 0, kT), 330.0);
    EXPECT_EQ(State(bead, 0, kP), 1e5);

    ASSERT_EQ(Flash(bead, 4, 330.0, 0.0), 0);  // back to 330 K at that enthalpy: lower pressure
    EXPECT_LT(State(bead, 0, kP), 1e5);
    EXPECT_NEAR(EnthalpyFlow(bead) - before, 2e6, 1e-9 * std::abs(before));
}

TEST_F(FlashTest, SolidsShareTheTemperatureAndTheEnergyBalance) {
    const int64_t flashed = Stream({0.79, 0.21}, 2.0);
    State(flashed, 1, kT) = 500.0;
    const int64_t raw = Stream({0.79, 0.21}, 2.0);  // no enthalpies: taken from T and P
    State(raw, 1, kT) = 500.0;
    ASSERT_EQ(Flash(flashed, 2, 300.0, 1e5, kRealMissing, {0}), 0);
    ASSERT_EQ(Flash(flashed, 2, 500.0, 1e5, kRealMissing, {1}), 0);
    const double before = EnthalpyFlow(flashed);

    ASSERT_EQ(Flash(flashed, 1, 1e5, -1e5), 0);
    EXPECT_EQ(State(flashed, 0, kT), State(flashed, 1, kT));
    EXPECT_GT(State(flashed, 0, kT), 300.0);
    EXPECT_LT(State(flashed, 0, kT), 500.0);
    EXPECT_NEAR(EnthalpyFlow(flashed), before - 1e5, 1e-9 * std::abs(before));
    EXPECT_EQ(State(flashed, 1, kVapour), 0.0);
    EXPECT_NEAR(State(flashed, 1, 7), 2648.0, 1e-9);  // quartz density

    ASSERT_EQ(Flash(raw, 1, 1e5, -1e5), 0);
    EXPECT_NEAR(State(raw, 0, kT), State(flashed, 0, kT), 1e-9);
}

TEST_F(FlashTest, VapourFractionSpecifications) {
    const int64_t mixture = Stream({0.0, 0.0, 0.6, 0.4});
    ASSERT_EQ(Flash(mixture, 3, 1e5, 0.4), 0);
    EXPECT_NEAR(State(mixture, 0, kVapour), 0.4, 1e-12);
    EXPECT_GT(State(mixture, 0, kT), 351.4);
    EXPECT_LT(State(mixture, 0, kT), 373.2);

    ASSERT_EQ(Flash(mixture, 5, 360.0, 0.3), 0);
    const double p = State(mixture, 0, kP);
    ASSERT_EQ(Flash(mixture, 2, 360.0, p), 0);
    EXPECT_NEAR(State(mixture, 0, kVapour), 0.3, 1e-9);

    // Pure water boils at one temperature; the duty moves only the vapour fraction, by
    // Q / dHv with dHv = 40.66 MJ/kmol at the normal boiling point.
    const int64_t water = Stream({0.0, 0.0, 1.0});
    ASSERT_EQ(Flash(water, 3, 101325.0, 0.5), 0);
    const double boiling = State(water, 0, kT);
    EXPECT_NEAR(boiling, 373.12, 0.5);
    ASSERT_EQ(Flash(water, 1, 0.0, 1e6), 0);
    EXPECT_EQ(State(water, 0, kT), boiling);
    EXPECT_NEAR(State(water, 0, kVapour), 0.5 + 1e6 / 40.66e6, 0.01 * 1e6 / 40.66e6);
}

TEST_F(FlashTest, RefusalsLeaveTheStreamUntouched) {
    host->SetFlashLimits(200.0, 800.0, 1000.0, 1e7);
    const int64_t bead = Stream({1.0, 0.0, 0.1}, 1.0);
    auto refused = [&](auto&& flash) {
        const std::vector<double> before = Vector(bead);
        const int64_t status = flash();
        EXPECT_EQ(
            std::memcmp(before.data(), host->StreamVector(bead), before.size() * sizeof(double)),
            0);
        return status;
    };
    EXPECT_EQ(refused([&] { return Flash(bead, 2, 801.0, 1e5); }), -3);
    EXPECT_EQ(refused([&] { return Flash(bead, 2, 300.0, 2e7); }), -3);
    EXPECT_EQ(refused([&] { return Flash(bead, 3, 1e5, 1.5); }), -3);
    EXPECT_EQ(refused([&] { return Flash(bead, 7, 300.0, 1e5); }), -2);
    EXPECT_EQ(refused([&] { return Flash(bead, 1, 1e5, std::nan("")); }), -2);
    host->SetRefuseFlash(true);
    EXPECT_EQ(refused([&] { return Flash(bead, 2, 300.0, 1e5); }), -1);
    host->SetRefuseFlash(false);
    host->StreamVector(bead)[5] = 0.2;  // PE has no thermodynamic data
    EXPECT_EQ(refused([&] { return Flash(bead, 2, 300.0, 1e5); }), -5);
    host->StreamVector(bead)[0] = std::nan("");
    EXPECT_EQ(refused([&] { return Flash(bead, 2, 300.0, 1e5); }), -2);
    EXPECT_EQ(refused([&] { return Flash(Stream({}), 2, 300.0, 1e5); }), -6);
    EXPECT_EQ(host->FlashCalls().size(), 9u);
}

TEST_F(FlashTest, ResultsFollowRaoultAndAreStoredWithTheStream) {
    const int64_t bead = Stream({1.0, 0.0, 0.5, 0.2});
    ASSERT_EQ(Flash(bead, 2, 330.0, 1e5), 0);
    const Results r = Read();
    ASSERT_EQ(r.components, (std::vector<int64_t>{1, 3, 4}));
    EXPECT_NEAR(std::accumulate(r.x.begin(), r.x.end(), 0.0), 1.0, 1e-12);
    EXPECT_NEAR(std::accumulate(r.y.begin(), r.y.end(), 0.0), 1.0, 1e-12);
    for (std::size_t j = 0; j < r.components.size(); ++j) {
        const auto& fluid = *databank::FindSubstance(j == 0   ? "N2"
                                                     : j == 1 ? "WATER"
                                                              : "ETHANOL")
                                 ->fluid;
        const double k = std::exp(thermo::LnVapourPressure(fluid, 330.0)) / 1e5;
        EXPECT_NEAR(r.y[j] / r.x[j], k, 1e-9 * k);
    }
    EXPECT_EQ(r.c, r.x);
    EXPECT_EQ(r.d, std::vector<double>(3, 0.0));
    EXPECT_EQ(r.beta, 1.0);

    HostStoreEquilibrium(&bead);
    const int64_t other = Stream({1.0});
    ASSERT_EQ(Flash(other, 2, 330.0, 1e5), 0);
    HostStoreEquilibrium(&bead);  // the last results are not this stream's: nothing kept
    int64_t found = 7;
    HostGetStoredEquilibrium(host->StreamVector(bead), &found);
    EXPECT_EQ(found, 0);

    ASSERT_EQ(Flash(bead, 2, 330.0, 1e5), 0);
    HostStoreEquilibrium(&bead);
    ASSERT_EQ(Flash(other, 2, 330.0, 1e5), 0);
    HostGetStoredEquilibrium(host->StreamVector(bead), &found);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(Read().x, r.x);
    HostGetStoredEquilibrium(host->StreamVector(Stream({1.0})), &found);
    EXPECT_EQ(found, 0);
}

TEST_F(FlashTest, MixingAddsFlowsKeepsEnthalpyAndTakesTheLowerPressure) {
    const int64_t first = Stream({1.0, 0.0, 0.1}, 1.0, 350.0, 2e5, {0.2, 0.3, 0.5});
    const int64_t second = Stream({0.5, 0.0, 0.0, 0.3}, 3.0, 300.0, 1.5e5, {1.0, 0.0, 0.0});
    ASSERT_EQ(Flash(first, 2, 350.0, 2e5), 0);
    ASSERT_EQ(Flash(second, 2, 300.0, 1.5e5), 0);
    const double enthalpy = EnthalpyFlow(first) + EnthalpyFlow(second);
    const std::vector<double> untouched = Vector(second);

    const int64_t beads[] = {first, second}, count = 2;
    const int64_t classPosition = HostLocateIds(&classBead);
    int64_t realPosition = 0, status = 99;
    HostMixStreams(&count, beads, &classPosition, &realPosition, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(realPosition, HostLocateRealData(&first));
    const double* mixed = host->StreamVector(first);
    EXPECT_EQ(std::vector<double>(mixed, mixed + 4), (std::vector<double>{1.5, 0.0, 0.1, 0.3}));
    EXPECT_DOUBLE_EQ(State(first, 0, 0), 1.9);
    EXPECT_EQ(State(first, 1, 0), 4.0);
    EXPECT_EQ(State(first, 0, kP), 1.5e5);
    EXPECT_EQ(State(first, 0, kT), State(first, 1, kT));
    EXPECT_NEAR(EnthalpyFlow(first), enthalpy, 1e-9 * std::abs(enthalpy));
    const double* psd = mixed + host->SubstreamOffset(first, 1) + 6 + 9;
    EXPECT_NEAR(psd[0], 0.8, 1e-14);  // (1 * 0.2 + 3 * 1) / 4 by silica mass
    EXPECT_NEAR(psd[1], 0.075, 1e-14);
    EXPECT_NEAR(psd[2], 0.125, 1e-14);
    EXPECT_EQ(Vector(second), untouched);

    const int64_t alien = host->AddStream(host->AddStreamClass("CONVEN", {{"MIXED", 1, {}}}));
    const int64_t mismatched[] = {second, alien};
    HostMixStreams(&count, mismatched, nullptr, &realPosition, nullptr, nullptr, nullptr, nullptr,
                   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &status);
    EXPECT_LT(status, 0);
    EXPECT_EQ(Vector(second), untouched);
}

TEST_F(FlashTest, StreamServicesAndSetUp) {
    const int64_t bead = Stream({1.0, 1.0});
    host->SetMoisture(bead, 2, 1, 12.5);
    const int64_t nc = 3, coal = 1;
    int64_t position = 0;
    MOISTOFF(&bead, &nc, &coal, &position);
    EXPECT_EQ(host->StreamVector(bead)[position - 1], 12.5);

    double* vector = host->StreamVector(bead);
    const double oldFlow = vector[1];
    vector[1] = 3.0;
    const int64_t mixedType = 1, o2 = 2;
    HostUpdateClassData(&mixedType, &o2, vector, &oldFlow, &vector[1]);
    EXPECT_NEAR(State(bead, 0, 8), (28.014 + 3 * 31.999) / 4, 1e-12);  // total stays 2

    HostStreamMissing(&bead);
    EXPECT_EQ(vector[0], 0.0);
    EXPECT_EQ(State(bead, 0, 0), 0.0);
    EXPECT_EQ(State(bead, 0, kT), kRealMissing);
    EXPECT_EQ(vector[position - 1], kRealMissing);

    host->SetMoistureComponents({3});
    int64_t location = 0, count = 0;
    HostMoistureComponents(&location, &count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(IB(location), 3);

    const int64_t components = 6;
    std::vector<int64_t> numbers(6);
    std::vector<double> temperatures(6), weights(6, 1.0);
    HostPolymerMeltTemperature(weights.data(), &components, numbers.data(), temperatures.data(),
                               &count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(numbers[0], 6);
    EXPECT_EQ(temperatures[0], 408.0);
}

}  // namespace
}  // namespace brixel::host::testing
