#include <cmath>
#include <limits>
#include <string>

#include "brixel/framework/records.h"
#include "brixel/models/distribution/distribution_changer.h"
#include "cli/distribution_kind.h"
#include "host/substitute_host.h"

namespace brixel::cli {

namespace {

constexpr double kNotReached = std::numeric_limits<double>::quiet_NaN();

void Configure(const DistributionCase& input, CSetDistributedProperty& element) {
    if (input.functions.empty()) {
        element.SetTabularData(static_cast<int>(input.tableUpper.size()), &input.tableLower,
                               input.tableUpper.data(), input.tableWeights.data());
        element.SetTabularMethod(input.tableMethod);
    }
    constexpr int kLogNormal = 3;
    for (std::size_t i = 0; i < input.functions.size(); ++i) {
        const DistributionFunctionCase& f = input.functions[i];
        const double normalSigma = f.type == kLogNormal ? 1e35 : f.sigma;
        const double logNormalSigma = f.type == kLogNormal ? f.sigma : 1e35;
        element.SetDistrFuncData(static_cast<int>(i), f.type, f.d50, f.d63, f.xmax, f.steepness,
                                 f.ggsExponent, f.rrsbDispersion, normalSigma, logNormalSigma,
                                 f.fraction);
    }
    element.SetBypass(input.bypass);
    element.SetUseMovementMatrix(input.movementMatrix);
}

// A vector made through the platform's C API, which the library exports to host models.
template <typename T>
CComSafeArray<T> VectorOf(std::size_t count) {
    CComSafeArray<T> array;
    SAFEARRAY* made =
        SafeArrayCreateVector(CComSafeArray<T>::kVarType, 0, static_cast<uint32_t>(count));
    if (!made || array.Attach(made) != 0) {
        SafeArrayDestroy(made);
        throw CaseRunError("no memory for a PSD array");
    }
    return array;
}

CComSafeArray<VARIANT> MeshArray(const std::vector<double>& mesh) {
    CComSafeArray<VARIANT> array = VectorOf<VARIANT>(mesh.size());
    for (std::size_t k = 0; k < mesh.size(); ++k) {
        VARIANT& value = array.GetAt(static_cast<long>(k));
        value.vt = VT_R8;
        value.dblVal = mesh[k];
    }
    return array;
}

// A distribution parameter of fractions on the mesh; NaN when it cannot be formed.
double Parameter(CDistributionChanger& unit, const std::vector<double>& mesh,
                 const std::vector<double>& fractions, const char* name) {
    if (fractions.size() + 1 != mesh.size()) {
        return kNotReached;
    }
    const CComSafeArray<VARIANT> meshArray = MeshArray(mesh);
    CComSafeArray<double> values = VectorOf<double>(fractions.size());
    for (std::size_t k = 0; k < fractions.size(); ++k) {
        values.GetAt(static_cast<long>(k)) = fractions[k];
    }
    double value = kNotReached;
    if (unit.GetDistributionParameter(0, CComBSTR("PSD"), CComBSTR(name), &value, &meshArray,
                                      &values) != 0) {
        return kNotReached;
    }
    return value;
}

void AddSizes(RunResult& run, CDistributionChanger& unit, const std::vector<double>& mesh,
              const std::vector<double>& fractions, const std::string& which) {
    run.values.push_back({which + " x10", Parameter(unit, mesh, fractions, "X(10)"), "m"});
    run.values.push_back({which + " x50", Parameter(unit, mesh, fractions, "X(50)"), "m"});
    run.values.push_back({which + " x90", Parameter(unit, mesh, fractions, "X(90)"), "m"});
    run.values.push_back(
        {which + " Sauter diameter", Parameter(unit, mesh, fractions, "sauter"), "m"});
}

}  // namespace

RunResult RunDistributionCase(const DistributionCase& input) {
    RunResult run = StartRun("distribution", input.title, "distribution case", input.blockId,
                             "sets the solids PSD (DISPRP)");
    host::SubstituteHost simulator;
    const FeedStreams streams = BuildFeed(simulator, input, 1);
    const int64_t feed = streams.feed;
    const int64_t outlet = streams.outlets[0];
    std::vector<double> mesh;
    std::vector<double> target;
    {
        CDistributionChanger unit;
        BindUnit(unit, *streams.block);
        FlashFeed(unit, input, feed);
        unit.CopyStream(static_cast<int>(feed), static_cast<int>(outlet));
        CSetDistributedProperty& element = unit.AddElement();
        Configure(input, element);
        const int result = unit.Run(input.estimate ? 1 : 0);
        unit.SetOutcome(result);
        run.valid = !unit.HasValidationErrors();
        run.status = result;
        run.fallback = result == 2;
        run.outcome = streams.block->statusBlock[records::kStatusOutcome];
        run.messages = simulator.PrintedLines();
        run.history = simulator.HistoryLines();

        const StreamSummary in = Summarize(unit, feed, &mesh);
        const StreamSummary out = Summarize(unit, outlet, &mesh);
        run.streams = {{"INLET", in}, {"OUTLET", out}};
        if (run.valid && mesh.size() > 1) {
            CComSafeArray<double> fractions;
            if (element.CalculateDistribution(MeshArray(mesh), fractions, nullptr) == 0) {
                for (uint32_t k = 0; k < fractions.GetCount(); ++k) {
                    target.push_back(fractions.GetAt(static_cast<long>(k)));
                }
            }
        }
        AddSizes(run, unit, mesh, target, "target");
        AddSizes(run, unit, mesh, out.psd, "outlet");
        ResultTable table{"psd",
                          "Solids PSD: target and outlet (mass fractions, Q3 undersize)",
                          {"lower size / m", "upper size / m", "INLET q / -", "target q / -",
                           "target Q3 / -", "OUTLET q / -", "OUTLET Q3 / -"},
                          {}};
        double targetSum = 0.0;
        double outletSum = 0.0;
        for (std::size_t k = 0; k + 1 < mesh.size(); ++k) {
            const auto at = [&](const std::vector<double>& q) {
                return k < q.size() ? q[k] : kNotReached;
            };
            targetSum += at(target);
            outletSum += at(out.psd);
            table.rows.push_back(
                {mesh[k], mesh[k + 1], at(in.psd), at(target), targetSum, at(out.psd), outletSum});
        }
        run.tables.push_back(std::move(table));
    }
    return run;
}

}  // namespace brixel::cli
