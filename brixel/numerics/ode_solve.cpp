#include "brixel/numerics/ode_solve.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

#include "brixel/framework/component_table.h"
#include "brixel/framework/host_interface.h"
#include "brixel/framework/records.h"

namespace {

constexpr double kTimeResolution = 1e-10;  // t counts as reached within this
constexpr double kOutputMoved = 2.220446049250313e-16;
constexpr int kMaxOutputRepeats = 10;
constexpr std::size_t kStepLimitWord = 3;
constexpr std::size_t kOutputPointsWord = 4;
constexpr int kPassesPerStep = 10;
constexpr std::size_t kErrors = 0, kRequest = 2, kSteps = 3;
constexpr int kVariableMissingWords = 4;

std::vector<double> RealControls() {
    const double missing = brixel::RealMissingValue();
    return {1e-4,    0.1,     0.0,     1.0,    1.0, missing, brixel::SmallestReal(),
            missing, missing, missing, missing};
}

int64_t HistoryUnit() {
    const int64_t* globals = HostGlobals();
    return globals ? globals[brixel::records::kGlobalHistoryUnit] : 0;
}

}  // namespace

CODESolve::CODESolve()
    : m_naGroupCounts(6, 0),
      m_dblaRealControls(RealControls()),
      m_naIntControls{2, 2, 2, 1000, 0, 0, 10, 0, 1},
      m_naFurtherControls{4, HistoryUnit()} {}

CODESolve::CODESolve(double** states, double** derivatives, int n, DerivativeFunction function)
    : CODESolve() {
    m_fnDerivs = std::move(function);
    DefineParams(states, derivatives, n, 0, 0, 0, 0, 0);
}

CODESolve::CODESolve(const CODESolve& other) = default;
CODESolve& CODESolve::operator=(const CODESolve& other) = default;
CODESolve::~CODESolve() = default;

void CODESolve::DefineParams(double** states, double** derivatives, int n1, int n2, int n3, int m1,
                             int m2, int m3) {
    const int64_t groups[] = {std::max(n1, 0), std::max(n2, 0), std::max(n3, 0)};
    m_naGroupCounts = {groups[0],
                       groups[1],
                       groups[2],
                       m1 == 0 ? groups[0] : m1,
                       m2 == 0 ? groups[1] : m2,
                       m3 == 0 ? groups[2] : m3};
    const auto n = static_cast<std::size_t>(groups[0] + groups[1] + groups[2]);
    m_pdblaY.assign(n, nullptr);
    m_dblaY0.assign(n, 0.0);
    if (states != nullptr) {
        std::copy_n(states, n, m_pdblaY.begin());
    }
    for (std::size_t i = 0; i < n; ++i) {
        m_dblaY0[i] = m_pdblaY[i] != nullptr ? *m_pdblaY[i] : 0.0;
    }
    m_pdblaDY.clear();
    if (derivatives != nullptr) {
        m_pdblaDY.assign(derivatives, derivatives + n);
    }
    SizeVariableControls();
    Reinitialize();
}

void CODESolve::DefineY(double** states, int n) {
    const std::vector<double*> derivatives = m_pdblaDY;
    DefineParams(states, nullptr, n, 0, 0, 0, 0, 0);
    if (derivatives.size() == m_pdblaY.size()) {
        m_pdblaDY = derivatives;
    }
}

void CODESolve::DefineDY(double** derivatives, int n) {
    m_pdblaDY.clear();
    if (derivatives != nullptr && n > 0) {
        m_pdblaDY.assign(derivatives, derivatives + n);
    }
}

void CODESolve::SetFunction(DerivativeFunction function) {
    m_fnDerivs = std::move(function);
}

void CODESolve::SetPositive(double* state) {
    const int index = PtrIndex(state);
    if (index >= 0) {
        m_naPositive[static_cast<std::size_t>(index)] = 1;
    }
}

void CODESolve::SetNegative(double* state) {
    const int index = PtrIndex(state);
    if (index >= 0) {
        m_naPositive[static_cast<std::size_t>(index)] = 0;
    }
}

void CODESolve::SetAllPositive() {
    std::fill(m_naPositive.begin(), m_naPositive.end(), 1);
}

void CODESolve::SetOutputPoints(int count) {
    m_naIntControls[kOutputPointsWord] = std::max(count, 0);
}

void CODESolve::Reinitialize() {
    m_dblaY = m_dblaY0;
    m_dblaDY.assign(m_dblaY.size(), 0.0);
    const std::size_t n = m_dblaY.size();
    m_dblaRealWork.assign((n + 18) * n + 63, 0.0);
    m_naIntWork.assign((n + 14) * 3, 0);
}

void CODESolve::SizeVariableControls() {
    const std::size_t n = m_pdblaY.size();
    m_dblaVariableMissing.assign(kVariableMissingWords * n, brixel::RealMissingValue());
    m_dblaVariableScale.assign(n, 1.0);
    m_naPositive.assign(n, 0);
    m_naVariableControl.assign(n, 1);
}

bool CODESolve::DerivativesRegistered() const {
    if (m_pdblaY.empty() || m_pdblaDY.size() != m_pdblaY.size()) {
        return false;
    }
    const auto isNull = [](const double* p) { return p == nullptr; };
    return std::none_of(m_pdblaY.begin(), m_pdblaY.end(), isNull) &&
           std::none_of(m_pdblaDY.begin(), m_pdblaDY.end(), isNull);
}

void CODESolve::RecordProfiles() {
    for (std::size_t i = 0; i < m_pdblaY.size(); ++i) {
        m_mapProfiles[m_pdblaY[i]].push_back(m_dblaY[i]);
    }
}

bool CODESolve::Solve(double t0, double t1) {
    m_mapProfiles.clear();
    m_naStatus[kErrors] = m_naStatus[1] = m_naStatus[kRequest] = m_naStatus[kSteps] = 0;
    m_nDerivativeCalls = 0;
    m_dblIntegratorSeconds = 0.0;
    if (!DerivativesRegistered() || m_dblaY.size() != m_pdblaY.size() || !std::isfinite(t0) ||
        !std::isfinite(t1)) {
        return false;
    }
    // The caller's derivative function reads its own variables: they take the state
    // integrated from (after Reinitialize they may still hold the last end state).
    ReconcileY();
    const double direction = t1 >= t0 ? 1.0 : -1.0;
    double step = direction * m_dblInitialStep;
    const int64_t points = m_naIntControls[kOutputPointsWord];
    const int64_t stepLimit = m_naIntControls[kStepLimitWord];
    const double spacing = points > 0 ? (t1 - t0) / static_cast<double>(points) : 0.0;
    double tOut = t1;
    double lastRecorded = t0;
    if (points > 0) {
        RecordProfiles();
        UpdateExtraProfiles(t0);
        tOut = t0 + spacing;
    }
    UpdateDerivs(t0);
    ReconcileDY();
    std::vector<double> accepted = m_dblaY;
    std::fill(m_naIntWork.begin(), m_naIntWork.end(), 0);
    const auto n = static_cast<int64_t>(m_dblaY.size());
    const auto realSize = static_cast<int64_t>(m_dblaRealWork.size());
    const auto intSize = static_cast<int64_t>(m_naIntWork.size());
    double t = t0;
    int64_t passes = 0;
    int repeats = 0;
    // A pending derivative request keeps the loop going at t1: the integrator asks for the
    // slope at the end of its last step before it accepts that step.
    while (direction * (t1 - t) > kTimeResolution || m_naStatus[kRequest] == 1) {
        if (m_naStatus[kErrors] > 0 || m_naStatus[kSteps] > stepLimit ||
            ++passes > kPassesPerStep * stepLimit) {
            break;
        }
        if (m_naStatus[kRequest] == 1) {
            UpdateDerivs(t);
            ReconcileDY();
        }
        const auto start = std::chrono::steady_clock::now();
        HostOdeIntegrator(
            &n, &t, &t1, &tOut, m_dblaY.data(), m_dblaDY.data(), m_dblaRealControls.data(),
            m_naIntControls.data(), m_dblaVariableScale.data(), m_naPositive.data(), &step,
            m_dblaRealWork.data(), &realSize, m_naIntWork.data(), &intSize, m_naStatus);
        if (m_bTiming) {
            m_dblIntegratorSeconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        ReconcileY();
        if (m_naStatus[kErrors] > 0 || m_naStatus[kRequest] == 1) {
            continue;
        }
        accepted = m_dblaY;
        if (points > 0 && std::fabs(t - tOut) < kTimeResolution) {
            if (std::fabs(tOut - lastRecorded) >= kOutputMoved) {
                RecordProfiles();
                lastRecorded = tOut;
                tOut += spacing;
                if (std::fabs(tOut - t1) < kTimeResolution) {
                    tOut = t1;
                }
                UpdateExtraProfiles(t);
            } else if (++repeats > kMaxOutputRepeats) {
                break;
            }
        }
    }
    const bool success = direction * (t1 - t) <= kTimeResolution && m_naStatus[kErrors] == 0 &&
                         m_naStatus[kRequest] == 0 && m_naStatus[kSteps] <= stepLimit;
    if (!success) {
        m_dblaY = accepted;  // never leave a trial point in the caller's variables
        ReconcileY();
    }
    return success;
}

void CODESolve::GetProfile(double* state, std::vector<double>& values) const {
    const auto found = m_mapProfiles.find(state);
    if (PtrIndex(state) < 0 || found == m_mapProfiles.end()) {
        values.clear();
        return;
    }
    values = found->second;
}

void CODESolve::UpdateDerivs(double t) {
    ++m_nDerivativeCalls;
    m_fnDerivs(t);
}

void CODESolve::UpdateExtraProfiles(double /*t*/) {}

void CODESolve::ReconcileY() {
    for (std::size_t i = 0; i < m_pdblaY.size() && i < m_dblaY.size(); ++i) {
        if (m_pdblaY[i] != nullptr) {
            *m_pdblaY[i] = m_dblaY[i];
        }
    }
}

void CODESolve::ReconcileDY() {
    for (std::size_t i = 0; i < m_pdblaDY.size() && i < m_dblaDY.size(); ++i) {
        if (m_pdblaDY[i] != nullptr) {
            m_dblaDY[i] = *m_pdblaDY[i];
        }
    }
}

int CODESolve::PtrIndex(const double* state) const {
    if (state == nullptr) {
        return -1;
    }
    const auto found = std::find(m_pdblaY.begin(), m_pdblaY.end(), state);
    return found == m_pdblaY.end() ? -1 : static_cast<int>(found - m_pdblaY.begin());
}
