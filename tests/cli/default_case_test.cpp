#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/default_case.h"

namespace brixel::cli {
namespace {

// The number in the first report row that starts with `label` after `from`.
double RowValue(const std::string& report, const std::string& label, std::size_t from) {
    const auto row = report.find("    " + label, from);
    EXPECT_NE(row, std::string::npos) << label;
    return std::stod(report.substr(row + 4 + label.size()));
}

TEST(DefaultCaseTest, FlashesWetAirWithSandAndRestoresTheInlet) {
    std::ostringstream out;
    EXPECT_EQ(RunDefaultCase(out), 0);
    const std::string report = out.str();
    const auto outlet = report.find("Outlet");
    const auto inlet = report.find("Inlet as given");
    ASSERT_NE(outlet, std::string::npos);
    ASSERT_NE(inlet, std::string::npos);

    // Gas mass flow 0.078 * 28.0134 + 0.021 * 31.9988 + 0.010 * 18.01528 = 3.0371728 kg/s.
    EXPECT_NEAR(RowValue(report, "mass flow", outlet), 3.0371728, 5e-5);  // printed to 6 digits
    EXPECT_NEAR(RowValue(report, "mass flow", inlet), 3.0371728, 5e-5);   // printed to 6 digits
    EXPECT_EQ(RowValue(report, "temperature", inlet), 330.0);

    // Hand energy balance: gas 0.099 kmol/s * 29.1 + water 0.01 * 33.6 kJ/(kmol K) = 3.22 kW/K,
    // sand 3.004 kg/s * 0.74 kJ/(kg K) = 2.22 kW/K, so about 315.0 K without condensation;
    // the heat of the little water that condenses (liquid fraction ~0.003 of 0.109 kmol/s at
    // 43.5 MJ/kmol) lifts it by about 2.4 K. Both substreams leave at that one temperature.
    const double gasTemperature = RowValue(report, "temperature", outlet);
    const double sandTemperature =
        RowValue(report, "temperature", report.find("substream CISOLID", outlet));
    EXPECT_NEAR(gasTemperature, 317.3, 1.0);
    EXPECT_EQ(gasTemperature, sandTemperature);
    const double liquid = RowValue(report, "liquid fraction", outlet);
    EXPECT_GT(liquid, 0.0);
    EXPECT_LT(liquid, 0.01);

    EXPECT_NE(report.find("SUBSTREAMS ARE AT DIFFERENT TEMPERATURES."), std::string::npos);
    EXPECT_NE(report.find("Block status: S_OK, outcome word -9999"), std::string::npos);
}

}  // namespace
}  // namespace brixel::cli
