#include <cmath>
#include <limits>
#include <numbers>
#include <string>

#include "brixel/framework/records.h"
#include "brixel/models/distribution/distribution_changer.h"
#include "brixel/models/growth/adjust_size_constant_number.h"
#include "brixel/platform/array_values.h"
#include "cli/growth_case.h"
#include "host/substitute_host.h"

namespace brixel::cli {

namespace {

constexpr double kNotReached = std::numeric_limits<double>::quiet_NaN();
constexpr int kFirstEquivalentMethod = 5;
constexpr int kFirstVolumeMethod = 3;

// Particle number flow (1/s) of `mass` kg/s of spheres of diameter d (m) and density rho.
double Particles(double mass, double d, double rho) {
    return mass / (rho * std::numbers::pi / 6.0 * d * d * d);
}

// The PSD of one substream of a stream; empty without one.
std::vector<double> SubstreamPsd(CBrixelBaseUnit& unit, int64_t bead, int substream) {
    CComBSTR meshUnit;
    CComSafeArray<VARIANT> mesh;
    CComSafeArray<double> psd;
    if (unit.GetSolidAttribute(static_cast<int>(bead), CComBSTR("PSD"), meshUnit, mesh, psd,
                               substream) != 0) {
        return {};
    }
    return ArrayValues(psd);
}

void AddSubstream(RunResult& run, CBrixelBaseUnit& unit, int64_t outlet, int method,
                  const growth::SubstreamGrowth& result, bool several) {
    const growth::GrowthInput& in = result.input;
    const growth::GrowthPlan& plan = result.plan;
    const std::string suffix =
        several ? " (substream " + std::to_string(result.substream) + ")" : "";
    const std::vector<double> out = SubstreamPsd(unit, outlet, result.substream);
    const std::size_t n = in.fractions.size();
    double numberIn = 0.0;
    double numberLaw = 0.0;
    double numberMesh = 0.0;
    ResultTable table{several ? "psd_" + std::to_string(result.substream) : "psd",
                      "Solids PSD" + suffix + ": inlet and outlet, class sizes before and after",
                      {"lower size / m", "upper size / m", "INLET q / -", "OUTLET q / -",
                       "mean size / m", "grown mean size / m", "particle number flow / 1/s"},
                      {}};
    for (std::size_t i = 0; i < n; ++i) {
        const double mean = 0.5 * (in.mesh[i] + in.mesh[i + 1]);
        const double particles = Particles(in.massIn * in.fractions[i], mean, in.densityIn);
        const double outletQ = i < out.size() ? out[i] : kNotReached;
        numberIn += particles;
        if (plan.ok && plan.newMass[i] > 0.0) {
            numberLaw += Particles(plan.newMass[i], plan.newSize[i], in.densityOut);
        }
        numberMesh += Particles(in.massOut * outletQ, mean, in.densityOut);
        table.rows.push_back({in.mesh[i], in.mesh[i + 1], in.fractions[i], outletQ, mean,
                              plan.ok ? plan.newSize[i] : kNotReached, particles});
    }
    const bool equivalent = method >= kFirstEquivalentMethod;
    if (!equivalent) {
        const bool volume = method >= kFirstVolumeMethod;
        run.values.push_back({volume ? "volume increment" + suffix : "size increment" + suffix,
                              plan.ok ? plan.increment : kNotReached, volume ? "m3" : "m"});
    }
    run.values.push_back({"particle number flow in" + suffix, numberIn, "1/s"});
    run.values.push_back({"particle number flow out, growth law" + suffix,
                          plan.ok ? numberLaw : kNotReached, "1/s"});
    run.values.push_back({"particle number flow out, outlet PSD" + suffix, numberMesh, "1/s"});
    run.tables.push_back(std::move(table));
}

}  // namespace

RunResult RunGrowthCase(const GrowthCase& input) {
    RunResult run = StartRun("growth", input.title, "growth case", input.blockId,
                             "grows or shrinks the solids at constant particle number (ADJPSD)");
    host::SubstituteHost simulator;
    const FeedStreams streams = BuildFeed(simulator, input, 1);
    const int64_t feed = streams.feed;
    const int64_t outlet = streams.outlets[0];
    {
        CDistributionChanger unit;
        BindUnit(unit, *streams.block);
        FlashFeed(unit, input, feed);
        unit.CopyStream(static_cast<int>(feed), static_cast<int>(outlet));
        if (unit.SetSolidMassFlow(static_cast<int>(outlet), input.outletSolids) != 0) {
            throw CaseRunError("the outlet's solids mass flow cannot be set");
        }
        CAdjustSizeConstantNumber growth(&unit);
        growth.SetMethod(input.method, 0);
        const long status = growth.AdjustSize(static_cast<int>(feed), static_cast<int>(outlet));
        const int result = status < 0 || unit.HasCalculationErrors() ? 2
                           : unit.HasWarnings()                      ? 1
                                                                     : 0;
        unit.SetOutcome(result);
        run.valid = true;
        run.status = result;
        run.fallback = result == 2;
        run.outcome = streams.block->statusBlock[records::kStatusOutcome];
        run.messages = simulator.PrintedLines();
        run.history = simulator.HistoryLines();

        const StreamSummary in = Summarize(unit, feed);
        const StreamSummary out = Summarize(unit, outlet);
        run.streams = {{"INLET", in}, {"OUTLET", out}};
        run.values.push_back({"solids in", in.solid, "kg/s"});
        run.values.push_back({"solids out", out.solid, "kg/s"});
        const auto& results = growth.GetSubstreamResults();
        for (const growth::SubstreamGrowth& substream : results) {
            AddSubstream(run, unit, outlet, input.method, substream, results.size() > 1);
        }
    }
    return run;
}

}  // namespace brixel::cli
