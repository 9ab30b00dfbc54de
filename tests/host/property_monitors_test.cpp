// The host's property monitors against literature values and against the host's own flash.
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "brixel/framework/host_interface.h"
#include "host_fixture.h"

namespace brixel::host::testing {
namespace {

using ScalarMonitor = void (*)(const double*, const double*, const double*, const int64_t*,
                               const int64_t*, const int64_t*, const int64_t*, double*, int64_t*);
using EnthalpyMonitor = void (*)(const double*, const double*, const double*, const int64_t*,
                                 const int64_t*, const int64_t*, const int64_t*, const int64_t*,
                                 double*, double*, int64_t*);

struct Value {
    double value;
    int64_t error;
};

class PropertyMonitorTest : public HostTest {
  protected:
    void SetUp() override {
        for (const char* id : {"N2", "O2", "WATER", "ETHANOL", "CO2", "SIO2"}) {
            host->AddDatabankComponent(id);
        }
        host->AddComponent({.id = "PE", .molecularWeight = 28000.0});
        host->AddNonconventionalComponent("COAL");
        classBead = host->AddStreamClass("CONVEN", {{"MIXED", 1, {}}});
    }

    static Value Call(ScalarMonitor monitor, double t, double p, std::vector<double> x,
                      std::vector<int64_t> components) {
        const auto n = static_cast<int64_t>(x.size());
        Value result{0.0, -1};
        monitor(&t, &p, x.data(), &n, components.data(), nullptr, nullptr, &result.value,
                &result.error);
        return result;
    }
    static Value Enthalpy(EnthalpyMonitor monitor, double t, std::vector<double> x,
                          std::vector<int64_t> components, double* slope = nullptr) {
        const auto n = static_cast<int64_t>(x.size());
        const double p = 1e5;
        const int64_t derivative = slope == nullptr ? 0 : 1;
        Value result{0.0, -1};
        monitor(&t, &p, x.data(), &n, components.data(), nullptr, nullptr, &derivative,
                &result.value, slope, &result.error);
        return result;
    }

    int64_t classBead = 0;
    static constexpr int64_t kN2 = 1, kO2 = 2, kWater = 3, kEthanol = 4, kCO2 = 5, kSilica = 6,
                             kPolyethylene = 7;
};

TEST_F(PropertyMonitorTest, TransportPropertiesMatchLiteratureValues) {
    // Incropera and DeWitt, tables A.4 and A.6, and IAPWS surface tension.
    const double rt = 8314.462618 * 300.0;
    EXPECT_NEAR(Call(HostVaporMolarVolume, 300.0, 2e5, {1.0, 3.0}, {kN2, kO2}).value, rt / 2e5,
                1e-12 * rt / 2e5);
    EXPECT_NEAR(Call(HostVaporViscosity, 300.0, 1e5, {1}, {kN2}).value, 1.782e-5, 0.03 * 1.782e-5);
    EXPECT_NEAR(Call(HostVaporViscosity, 300.0, 1e5, {0.79, 0.21}, {kN2, kO2}).value, 1.846e-5,
                0.03 * 1.846e-5);
    EXPECT_NEAR(Call(HostVaporThermalConductivity, 300.0, 1e5, {1}, {kN2}).value, 0.0259,
                0.05 * 0.0259);
    EXPECT_NEAR(Call(HostVaporThermalConductivity, 373.15, 101325.0, {1}, {kWater}).value, 0.0248,
                0.05 * 0.0248);
    EXPECT_NEAR(Call(HostSurfaceTension, 298.15, 1e5, {1}, {kWater}).value, 0.07197,
                0.02 * 0.07197);
    EXPECT_NEAR(Call(HostLiquidViscosity, 298.15, 1e5, {1}, {kWater}).value, 8.90e-4,
                0.02 * 8.90e-4);
    EXPECT_NEAR(Call(HostLiquidThermalConductivity, 298.15, 1e5, {1}, {kWater}).value, 0.607,
                0.02 * 0.607);
    // Water at 25 C: 997.05 kg/m3.
    EXPECT_NEAR(Call(HostLiquidMolarVolume, 298.15, 1e5, {1}, {kWater}).value, 18.015 / 997.05,
                0.005 * 18.015 / 997.05);
    // Oxygen in nitrogen at 293 K and 1 atm: about 0.20 cm2/s (Marrero and Mason).
    std::vector<double> x{0.5, 0.5}, d(4), mixture(2);
    std::vector<int64_t> components{kN2, kO2};
    const int64_t n = 2;
    const double t = 293.15, p = 101325.0;
    int64_t error = -1;
    HostVaporBinaryDiffusivity(&t, &p, x.data(), &n, components.data(), nullptr, nullptr, d.data(),
                               &error);
    ASSERT_EQ(error, 0);
    EXPECT_NEAR(d[1], 2.0e-5, 0.05 * 2.0e-5);
    EXPECT_DOUBLE_EQ(d[1], d[2]);
    HostVaporDiffusivity(&t, &p, x.data(), &n, components.data(), nullptr, nullptr, mixture.data(),
                         &error);
    ASSERT_EQ(error, 0);
    EXPECT_DOUBLE_EQ(mixture[0], d[1]);  // in a binary each diffuses through the other
    EXPECT_DOUBLE_EQ(mixture[1], d[1]);
}

TEST_F(PropertyMonitorTest, SpeedOfSoundOfNitrogenAndVapourPressureOfWater) {
    const int64_t name[2] = {PackText("SONVELMX", 8)[0], PackText("SONVELMX", 8)[1]};
    const double t = 300.0, p = 1e5, x = 1.0;
    const int64_t n = 1, component = kN2;
    const int64_t level = 4;
    const double missing = -1.5;  // the caller's own marker comes back for a failure
    const auto si = PackText("SI", 4);
    Value sound{0.0, -1};
    for (const int64_t phase : {-1, 1}) {
        HostUserProperty(name, &phase, &t, &p, &x, &n, &component, nullptr, &level, &missing,
                         si.data(), &sound.value, &sound.error);
        EXPECT_EQ(sound.error, 0);
        EXPECT_NEAR(sound.value, 353.1, 0.005 * 353.1);  // N2 at 300 K and 1 bar
    }
    const int64_t liquid = -2;
    HostUserProperty(name, &liquid, &t, &p, &x, &n, &component, nullptr, &level, &missing,
                     si.data(), &sound.value, &sound.error);
    EXPECT_NE(sound.error, 0);
    EXPECT_EQ(sound.value, missing);
    const auto other = PackText("SONVEL", 8);
    const int64_t vapour = -1;
    HostUserProperty(other.data(), &vapour, &t, &p, &x, &n, &component, nullptr, &level, &missing,
                     si.data(), &sound.value, &sound.error);
    EXPECT_NE(sound.error, 0);
    const auto english = PackText("ENG", 4);  // values are given in SI units only
    HostUserProperty(name, &vapour, &t, &p, &x, &n, &component, nullptr, &level, &missing,
                     english.data(), &sound.value, &sound.error);
    EXPECT_NE(sound.error, 0);

    const double boiling = 373.15;
    const int64_t water = kWater, silica = kSilica;
    Value lnP{0.0, -1};
    HostVaporPressure(&boiling, &water, nullptr, &lnP.value, &lnP.error);
    EXPECT_EQ(lnP.error, 0);
    EXPECT_NEAR(std::exp(lnP.value), 101325.0, 0.01 * 101325.0);
    HostVaporPressure(&boiling, &silica, nullptr, &lnP.value, &lnP.error);
    EXPECT_NE(lnP.error, 0);
    EXPECT_EQ(lnP.value, kRealMissing);
}

TEST_F(PropertyMonitorTest, EnthalpyDerivativesAgreeWithFiniteDifferences) {
    const double step = 1e-3;
    struct Case {
        EnthalpyMonitor monitor;
        std::vector<double> x;
        std::vector<int64_t> components;
        double t;
    };
    const std::vector<Case> cases{{HostVaporEnthalpy, {0.3, 0.7}, {kWater, kN2}, 450.0},
                                  {HostLiquidEnthalpy, {0.6, 0.4}, {kWater, kEthanol}, 330.0},
                                  {HostSolidEnthalpy, {1.0}, {kSilica}, 500.0}};
    for (const Case& c : cases) {
        double slope = 0.0;
        const Value h = Enthalpy(c.monitor, c.t, c.x, c.components, &slope);
        ASSERT_EQ(h.error, 0);
        const double up = Enthalpy(c.monitor, c.t + step, c.x, c.components).value;
        const double down = Enthalpy(c.monitor, c.t - step, c.x, c.components).value;
        EXPECT_NEAR(slope, (up - down) / (2 * step), 1e-5 * std::abs(slope));
    }
    // Coal: a constant 1260 J/(kg K) from 298.15 K.
    const double t = 398.15;
    const int64_t coal = 1, derivative = 1;
    Value h{0.0, -1};
    double cp = 0.0;
    HostNonconvSolidEnthalpy(&t, &coal, &derivative, &h.value, &cp, &h.error);
    EXPECT_EQ(h.error, 0);
    EXPECT_NEAR(h.value, 126000.0, 1e-6);
    EXPECT_DOUBLE_EQ(cp, 1260.0);
}

TEST_F(PropertyMonitorTest, PhaseEnthalpiesAddUpToWhatTheFlashWrote) {
    const int64_t bead = host->AddStream(classBead);
    host->SetSubstream(
        bead, 0,
        {.flows = {0.4, 0, 0.6, 0, 0, 0, 0}, .temperature = 330.0, .pressure = 1e5, .psd = {}});
    const int64_t count = 1, position = 1, type = 1, kode = 2, phases = 2, phase = 1, zero = 0;
    const int64_t iterations = 50;
    const double tolerance = 1e-6, t = 330.0, p = 1e5, unused = 0.0;
    int64_t status = -1;
    HostFlash(host->StreamVector(bead), &count, &position, &type, nullptr, &kode, &phases, &phase,
              &iterations, &tolerance, &t, &p, &unused, &zero, &zero, &zero, &zero, nullptr,
              nullptr, &status);
    ASSERT_EQ(status, 0);
    const double* state = host->StreamVector(bead) + 7;  // 7 components
    const double vapour = state[4], liquid = state[5];
    ASSERT_GT(vapour, 0.0);
    ASSERT_GT(liquid, 0.0);
    const int64_t* work = HostStreamWorkCommon();
    const int64_t* work2 = HostStreamWorkCommon2();
    std::vector<double> x, y;
    std::vector<int64_t> listed;
    for (int64_t j = 0; j < work[2]; ++j) {
        x.push_back(B(work2[15] + work[0] + j));
        y.push_back(B(work2[18] + work[0] + j));
        listed.push_back(IB(work2[25] + work[1] + j));
    }
    const double hv = Enthalpy(HostVaporEnthalpy, t, y, listed).value;
    const double hl = Enthalpy(HostLiquidEnthalpy, t, x, listed).value;
    const double written = state[3] * state[8];  // J/kg times kg/kmol
    EXPECT_NEAR(vapour * hv + liquid * hl, written, 1e-9 * std::abs(written));
}

TEST_F(PropertyMonitorTest, BadInputAndMissingDataGiveAnErrorAndTheMissingValue) {
    const ScalarMonitor all[] = {HostVaporMolarVolume,
                                 HostLiquidMolarVolume,
                                 HostSolidMolarVolume,
                                 HostVaporViscosity,
                                 HostLiquidViscosity,
                                 HostVaporThermalConductivity,
                                 HostLiquidThermalConductivity,
                                 HostSolidThermalConductivity,
                                 HostSurfaceTension};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const ScalarMonitor monitor : all) {
        for (const Value v :
             {Call(monitor, nan, 1e5, {1}, {kN2}), Call(monitor, 300, -1, {1}, {kN2}),
              Call(monitor, 300, 1e5, {}, {}), Call(monitor, 300, 1e5, {-1}, {kN2}),
              Call(monitor, 300, 1e5, {0, 0}, {kN2, kO2}), Call(monitor, 300, 1e5, {nan}, {kN2}),
              Call(monitor, 300, 1e5, {1}, {99}), Call(monitor, 300, 1e5, {1}, {kPolyethylene})}) {
            EXPECT_NE(v.error, 0);
            EXPECT_EQ(v.value, kRealMissing);
        }
        double value = 0.0;
        int64_t error = 0;
        monitor(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &value, &error);
        EXPECT_NE(error, 0);
        EXPECT_EQ(value, kRealMissing);
    }
    // Data this host lacks: surface tension of CO2, vapour properties of a solid.
    EXPECT_NE(Call(HostSurfaceTension, 250.0, 1e5, {1}, {kCO2}).error, 0);
    EXPECT_NE(Call(HostVaporViscosity, 300.0, 1e5, {0.5, 0.0}, {kN2, kSilica}).error, 0);
    double slope = 0.0;
    EXPECT_NE(Enthalpy(HostLiquidEnthalpy, 300.0, {1}, {kSilica}, &slope).error, 0);
    EXPECT_EQ(slope, kRealMissing);
}

TEST_F(PropertyMonitorTest, CompositionsAreNormalised) {
    EXPECT_DOUBLE_EQ(Call(HostVaporViscosity, 300.0, 1e5, {3.0, 1.0}, {kN2, kO2}).value,
                     Call(HostVaporViscosity, 300.0, 1e5, {0.75, 0.25}, {kN2, kO2}).value);
    EXPECT_DOUBLE_EQ(Enthalpy(HostLiquidEnthalpy, 300.0, {2.0, 2.0}, {kWater, kEthanol}).value,
                     Enthalpy(HostLiquidEnthalpy, 300.0, {0.5, 0.5}, {kWater, kEthanol}).value);
}

TEST_F(PropertyMonitorTest, BracketsSaltTableAndMixedUpdate) {
    HostPropEnter();
    HostPropEnter();
    HostPropExit();
    EXPECT_EQ(host->PropertyBracketDepth(), 1);
    HostPropExit();
    HostPropExit();
    EXPECT_EQ(host->PropertyBracketDepth(), 0);

    int64_t location = -1, count = -1;
    HostElectrolyteSalts(&location, &count);
    EXPECT_EQ(count, 0);
    EXPECT_THROW(host->SetElectrolyteSalts({1.0, 2.0}), std::invalid_argument);
    std::vector<double> table(49, 0.0);
    table[2 * 7 + 3] = 1.0;
    host->SetElectrolyteSalts(table);
    HostElectrolyteSalts(&location, &count);
    ASSERT_EQ(count, 7);
    EXPECT_EQ(B(location + 2 * 7 + 3), 1.0);
    EXPECT_EQ(B(location + 3 * 7 + 2), 0.0);

    const int64_t bead = host->AddStream(classBead);
    host->SetSubstream(bead, 0, {.flows = {1.0, 0, 3.0, 0, 0, 0, 0}, .psd = {}});
    double* mw = host->StreamVector(bead) + 7 + 8;
    *mw = 1.0;
    HostUpdateMixed(&bead);
    EXPECT_NEAR(*mw, (28.014 + 3 * 18.015) / 4, 1e-12);
    host->SetSubstream(bead, 0, {.flows = std::vector<double>(7, 0.0), .psd = {}});
    HostUpdateMixed(&bead);
    EXPECT_EQ(*mw, kRealMissing);
}

}  // namespace
}  // namespace brixel::host::testing
