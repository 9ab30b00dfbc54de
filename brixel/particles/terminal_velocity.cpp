// Terminal settling velocities of the solids of a stream in its fluid, and their report.
#include "brixel/particles/terminal_velocity.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "brixel/framework/brixel_base_unit.h"
#include "brixel/framework/records.h"
#include "brixel/framework/status.h"
#include "brixel/platform/cstring.h"
#include "brixel/properties/phase_properties.h"
#include "brixel/properties/property_stream.h"

namespace brixel {
namespace {

constexpr int kMaxIterations = 10000;
constexpr double kNegligibleDrive = 1e-10;  // A g (m2/s2) below which nothing settles
constexpr double kRelativeTolerance = 0.001;
constexpr int kReportPrintLevel = 4;  // the report needs a print level above this

CString Formatted(const char* format, double value) {
    CString text;
    text.Format(format, value);
    return text;
}

}  // namespace

namespace {

// One fixed-point step for m classes at once, each in its lane: Re = B v, Cw(Re), and the next
// velocity. A lane whose Re is not positive stops at velocity 0 with Re and Cw of the step
// before; `finished` is 1 for lanes that stop or converge. Without branches, so that it
// vectorises (square roots and quotients are exact in every lane width).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
__attribute__((target_clones("avx512f", "avx2", "default")))
#endif
void SettlingStep(std::size_t m, const double* __restrict reynoldsPerVelocity,
                  const double* __restrict drive, double* __restrict velocity,
                  double* __restrict reynolds, double* __restrict drag,
                  double* __restrict finished) {
#pragma omp simd
    for (std::size_t i = 0; i < m; ++i) {
        const double v = velocity[i];
        const double re = reynoldsPerVelocity[i] * v;
        const double cw = 24.0 / re + 4.0 / std::sqrt(re) + 0.4;
        const double next = std::sqrt(drive[i] / cw);
        const double smaller = next < v ? next : v;
        const bool moving = re > 0.0;
        const bool converged = std::fabs(v - next) < kRelativeTolerance * smaller;
        reynolds[i] = moving ? re : reynolds[i];
        drag[i] = moving ? cw : drag[i];
        velocity[i] = moving ? next : 0.0;
        finished[i] = !moving || converged ? 1.0 : 0.0;
    }
}

}  // namespace

bool TerminalSettlingVelocities(const std::vector<double>& diameters, double particleDensity,
                                double fluidDensity, double viscosity, double acceleration,
                                std::vector<SettlingVelocity>& results) {
    const std::size_t n = diameters.size();
    results.assign(n, SettlingVelocity{});
    for (const double value : {particleDensity, fluidDensity, viscosity, acceleration}) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    if (particleDensity <= 0.0 || fluidDensity <= 0.0 || viscosity < 0.0 ||
        !std::all_of(diameters.begin(), diameters.end(),
                     [](double d) { return std::isfinite(d) && d >= 0.0; })) {
        return false;
    }

    const double ratio = particleDensity / fluidDensity;
    const bool lighter = particleDensity < fluidDensity;
    constexpr double kInfinite = std::numeric_limits<double>::infinity();
    // The classes still iterating, kept contiguous: class index[i] is in lane i.
    std::vector<std::size_t> index;
    std::vector<double> velocity;
    std::vector<double> reynoldsPerVelocity;
    std::vector<double> drive;
    for (std::size_t j = 0; j < n; ++j) {
        const double diameter = diameters[j];
        // A = |rho_p/rho_f - 1| * d * 4/3, so that v = sqrt(A g / Cw) balances weight and drag.
        const double buoyantLength = (lighter ? 1.0 - ratio : ratio - 1.0) * diameter * 4.0 / 3.0;
        const double g = acceleration == 0.0 ? 0.0 : buoyantLength * acceleration;
        if (!std::isfinite(g)) {
            return false;  // a fluid density so small that nothing holds the particle back
        }
        if (g < kNegligibleDrive) {
            continue;
        }
        // Stokes velocity as the start; Re = B v. Without viscosity both are infinite, which
        // the drag law takes to its Newton limit Cw = 0.4.
        index.push_back(j);
        drive.push_back(g);
        velocity.push_back(viscosity > 0.0
                               ? diameter * diameter * std::fabs(particleDensity - fluidDensity) *
                                     acceleration / (18.0 * viscosity)
                               : kInfinite);
        reynoldsPerVelocity.push_back(viscosity > 0.0 ? diameter * fluidDensity / viscosity
                                                      : kInfinite);
    }
    std::size_t m = index.size();
    std::vector<double> reynolds(m, 0.0);
    std::vector<double> drag(m, 0.0);
    std::vector<double> finished(m, 0.0);
    const auto finish = [&](std::size_t lane) {
        SettlingVelocity& result = results[index[lane]];
        result.velocity = lighter ? -velocity[lane] : velocity[lane];
        result.reynolds = reynolds[lane];
        result.dragCoefficient = drag[lane];
    };
    for (int iteration = 0; iteration < kMaxIterations && m > 0; ++iteration) {
        SettlingStep(m, reynoldsPerVelocity.data(), drive.data(), velocity.data(), reynolds.data(),
                     drag.data(), finished.data());
        // Finished classes leave; the others close up, in their order.
        std::size_t kept = 0;
        for (std::size_t lane = 0; lane < m; ++lane) {
            if (finished[lane] != 0.0) {
                finish(lane);
                continue;
            }
            index[kept] = index[lane];
            velocity[kept] = velocity[lane];
            reynoldsPerVelocity[kept] = reynoldsPerVelocity[lane];
            drive[kept] = drive[lane];
            reynolds[kept] = reynolds[lane];
            drag[kept] = drag[lane];
            ++kept;
        }
        m = kept;
    }
    for (std::size_t lane = 0; lane < m; ++lane) {
        finish(lane);  // the last step's velocity, unconverged
    }
    return true;
}

std::optional<SettlingVelocity> TerminalSettlingVelocity(double diameter, double particleDensity,
                                                         double fluidDensity, double viscosity,
                                                         double acceleration) {
    std::vector<SettlingVelocity> result;
    if (!TerminalSettlingVelocities({diameter}, particleDensity, fluidDensity, viscosity,
                                    acceleration, result)) {
        return std::nullopt;
    }
    return result.front();
}

std::vector<ReportLine> SettlingReportLines(const SettlingReport& report) {
    const char* fluid = report.vapor ? "vapor" : "liquid";
    std::vector<ReportLine> lines;
    lines.push_back({"", false});
    lines.push_back({std::string("Terminal velocity calculations - solid in ") + fluid, false});
    lines.push_back({std::string("  ") + fluid +
                         Formatted(" density:   %.6g kg/cum", report.fluidDensity).str(),
                     false});
    lines.push_back(
        {std::string("  ") + fluid + Formatted(" viscosity: %.6g Pa*s", report.viscosity).str(),
         false});
    for (const SettlingReportClass& densityClass : report.classes) {
        lines.push_back({"", false});
        lines.push_back({"- Substream " + densityClass.substreamId + ":", false});
        lines.push_back({"", false});
        lines.push_back({"Size\tDensity\tVelocity\tRe\tCw", true});
        lines.push_back({"m\tkg/cum\tm/s", true});
        for (const SettlingReportRow& row : densityClass.rows) {
            CString text;
            text.Format("%.3g\t%.5g\t%.6g\t%.6g\t%.6g", row.diameter, row.particleDensity,
                        row.settling.velocity, row.settling.reynolds, row.settling.dragCoefficient);
            lines.push_back({text.str(), true});
        }
    }
    lines.push_back({"", false});
    return lines;
}

bool SettlingReportWanted(const CErrorPrint& output) {
    return output.GetIscpOf(records::kStatusPrintLevel) > kReportPrintLevel;
}

void WriteSettlingReport(CErrorPrint& output, const SettlingReport& report) {
    if (!SettlingReportWanted(output)) {
        return;
    }
    int tabs[std::size(kSettlingReportTabs)];
    std::copy(std::begin(kSettlingReportTabs), std::end(kSettlingReportTabs), tabs);
    for (const ReportLine& line : SettlingReportLines(report)) {
        if (line.tabbed) {
            output.WriteHisTab(line.text, tabs);
        } else {
            output.WriteHis(line.text);
        }
    }
}

}  // namespace brixel

namespace {

void ThrowOnFailure(long status) {
    if (status != brixel::kStatusOk) {
        throw status;
    }
}

// A property the operation did not read stays NaN and is caught as unusable.
double PhaseProperty(CBrixelBaseUnit& unit, int port, int propertyId, int phaseId) {
    double value = std::numeric_limits<double>::quiet_NaN();
    ThrowOnFailure(unit.GetSinglePhaseProp(port, propertyId, phaseId, &value, brixel::kBasisMass));
    return value;
}

// Element (row, column) of a 0-based two-dimensional mesh, the row running fastest.
double MeshValue(const CComSafeArray<VARIANT>& mesh, long row, long column) {
    const auto* cells = static_cast<const VARIANT*>(mesh.m_psa->pvData);
    const auto rows = static_cast<long>(mesh.GetCount(0));
    double number = 0.0;
    if (!brixel::VariantNumber(cells[row + rows * column], number)) {
        throw brixel::kStatusInvalidArgument;
    }
    return number;
}

}  // namespace

long CBrixelBaseUnit::CalcTVD(int port, int /*substream*/, int phaseId,
                              CComSafeArray<VARIANT>& velocities, CComSafeArray<double>& fractions,
                              double acceleration) {
    if (phaseId == 0) {
        const double vapor =
            PhaseProperty(*this, port, brixel::kPropertyPhaseFraction, brixel::kPhaseVapor);
        const double liquid =
            PhaseProperty(*this, port, brixel::kPropertyPhaseFraction, brixel::kPhaseLiquid);
        phaseId = liquid <= vapor ? brixel::kPhaseVapor : brixel::kPhaseLiquid;
    } else if (phaseId != brixel::kPhaseVapor && phaseId != brixel::kPhaseLiquid) {
        throw brixel::kStatusInvalidArgument;
    }

    CComSafeArray<BSTR> names(2);
    names.SetAt(0, CComBSTR("Density"));
    names.SetAt(1, CComBSTR("PSD"));
    CComSafeArray<BSTR> units;
    CComSafeArray<VARIANT> mesh;
    CComSafeArray<double> classFractions;
    ThrowOnFailure(GetSolidAttribute(port, names, units, mesh, classFractions));
    if (mesh.GetDimensions() != 2 || classFractions.GetDimensions() != 2) {
        throw brixel::kStatusFail;
    }
    const long classes = static_cast<long>(classFractions.GetCount(0));
    const long intervals = static_cast<long>(classFractions.GetCount(1));
    if (classes < 1 || intervals < 1 || mesh.GetCount(0) < 2 || mesh.GetLowerBound(0) != 0 ||
        mesh.GetLowerBound(1) != 0 ||
        static_cast<long>(mesh.GetCount(1)) < std::max(classes, intervals + 1)) {
        throw brixel::kStatusFail;
    }

    const double fluidDensity = PhaseProperty(*this, port, brixel::kPropertyDensity, phaseId);
    const double viscosity = PhaseProperty(*this, port, brixel::kPropertyViscosity, phaseId);

    // The rows of the report are kept only when it is written.
    const bool reporting = brixel::SettlingReportWanted(*this);
    brixel::SettlingReport report;
    report.vapor = phaseId == brixel::kPhaseVapor;
    report.fluidDensity = fluidDensity;
    report.viscosity = viscosity;
    // Class k is carried by the k-th substream with solids, in the order the classes are built.
    const brixel::PropertyStream stream = brixel::ResolvePropertyStream(*this, port);
    std::vector<std::string> carriers;
    for (int64_t k = 0; k < stream.view.SubstreamCount(); ++k) {
        if ((k == 0 || stream.view.Type(k) != brixel::records::kMixed) &&
            SubstreamSolidsMass(stream.bead, static_cast<int>(k)) > 0.0) {
            carriers.push_back(stream.view.Id(k));
        }
    }

    // The mesh rows read once: densities of the classes, size boundaries of the intervals.
    std::vector<double> densities(static_cast<std::size_t>(classes));
    for (long k = 0; k < classes; ++k) {
        densities[static_cast<std::size_t>(k)] = MeshValue(mesh, 0, k);
    }
    std::vector<double> diameters(static_cast<std::size_t>(intervals));
    double lower = MeshValue(mesh, 1, 0);
    for (long j = 0; j < intervals; ++j) {
        const double upper = MeshValue(mesh, 1, j + 1);
        diameters[static_cast<std::size_t>(j)] = 0.5 * (lower + upper);
        lower = upper;
    }
    // GetSolidAttribute made the fractions 0-based, the density class running fastest.
    const auto* classFraction = static_cast<const double*>(classFractions.m_psa->pvData);

    const auto count = static_cast<uint32_t>(classes * intervals);
    CComSafeArray<VARIANT> velocityOut(count);
    CComSafeArray<double> fractionOut(count);
    auto* velocity = static_cast<VARIANT*>(velocityOut.m_psa->pvData);
    auto* fraction = static_cast<double*>(fractionOut.m_psa->pvData);
    std::vector<brixel::SettlingVelocity> settling;
    for (long k = 0; k < classes; ++k) {
        const double particleDensity = densities[static_cast<std::size_t>(k)];
        brixel::SettlingReportClass& reported = report.classes.emplace_back();
        reported.substreamId = static_cast<std::size_t>(k) < carriers.size()
                                   ? carriers[static_cast<std::size_t>(k)]
                                   : std::string();
        reported.rows.reserve(reporting ? static_cast<std::size_t>(intervals) : 0);
        if (!brixel::TerminalSettlingVelocities(diameters, particleDensity, fluidDensity, viscosity,
                                                acceleration, settling)) {
            throw brixel::kStatusFail;
        }
        for (long j = 0; j < intervals; ++j) {
            const std::size_t element = static_cast<std::size_t>(k * intervals + j);
            const brixel::SettlingVelocity& of = settling[static_cast<std::size_t>(j)];
            velocity[element].vt = VT_R8;
            velocity[element].dblVal = of.velocity;
            fraction[element] = classFraction[k + j * classes];
            if (reporting) {
                reported.rows.push_back(
                    {diameters[static_cast<std::size_t>(j)], particleDensity, of});
            }
        }
    }

    velocities = std::move(velocityOut);
    fractions = std::move(fractionOut);
    brixel::WriteSettlingReport(*this, report);
    return brixel::kStatusOk;
}
