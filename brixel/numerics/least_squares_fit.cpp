#include "brixel/numerics/least_squares_fit.h"

#include <cmath>
#include <limits>
#include <utility>

#include "brixel/framework/host_interface.h"
#include "brixel/framework/status.h"

LeastSquaresFit::LeastSquaresFit() = default;

LeastSquaresFit::LeastSquaresFit(std::vector<double> parameters,
                                 std::vector<std::tuple<double, double>> data, Model model)
    : m_fnModel(std::move(model)) {
    DefineParams(std::move(parameters));
    DefineData(std::move(data));
}

LeastSquaresFit::~LeastSquaresFit() = default;

void LeastSquaresFit::DefineParams(std::vector<double> parameters) {
    m_dblaParams = std::move(parameters);
    m_nParams = static_cast<int64_t>(m_dblaParams.size());
    m_dblaLower.assign(m_dblaParams.size(), 0.0);
    m_dblaUpper.assign(m_dblaParams.size(), 0.0);
}

void LeastSquaresFit::DefineData(std::vector<std::tuple<double, double>> data) {
    m_nPoints = static_cast<int64_t>(data.size());
    m_dblaX.clear();
    m_dblaY.clear();
    m_dblaX.reserve(data.size());
    m_dblaY.reserve(data.size());
    for (const auto& [x, y] : data) {
        m_dblaX.push_back(x);
        m_dblaY.push_back(y);
    }
}

void LeastSquaresFit::SetBounds(std::vector<std::tuple<double, double>> bounds) {
    m_dblaLower.clear();
    m_dblaUpper.clear();
    for (const auto& [lower, upper] : bounds) {
        m_dblaLower.push_back(lower);
        m_dblaUpper.push_back(upper);
    }
    m_bBounds = true;
}

void LeastSquaresFit::UnsetBounds() {
    m_bBounds = false;
}

void LeastSquaresFit::SetFunction(Model model) {
    m_fnModel = std::move(model);
}

bool LeastSquaresFit::Solve() {
    if (m_dblaParams.size() != m_dblaLower.size() || m_dblaParams.size() != m_dblaUpper.size()) {
        throw brixel::kStatusFail;
    }
    m_dblaResiduals.assign(m_dblaY.size(), 0.0);
    m_dblaScales.assign(m_dblaParams.size(), 1.0);
    m_pUserData.assign(1, this);
    const double reals[] = {m_dblReserved, m_dblStepTolerance, m_dblWeight};
    const int64_t integers[] = {m_nMethod, m_nMaxIterations, m_nPrintLevel, m_nDifferences,
                                m_nScaling};
    const int64_t bounded = m_bBounds ? 1 : 0;
    m_nStatus = -1;
    HostBoundedLeastSquares(&m_nParams, &m_nPoints, m_dblaParams.data(), m_dblaY.data(),
                            m_dblaX.data(), m_dblaResiduals.data(), BXUT_LSQFT, m_pUserData.data(),
                            reals, integers, m_dblaLower.data(), m_dblaUpper.data(), &bounded,
                            m_dblaScales.data(), &m_dblResidualError, &m_nStatus);
    return m_nStatus == 0;
}

void LeastSquaresFit::getParameters(std::vector<double>& parameters) const {
    parameters = m_dblaParams;
}

double LeastSquaresFit::getResidualError() const {
    return m_dblResidualError;
}

bool LeastSquaresFit::EvaluateModel(double* parameters, const double* x, int64_t count,
                                    double* values) const {
    int64_t i = 0;
    try {
        for (; i < count; ++i) {
            values[i] = m_fnModel(parameters, x[i]);
        }
        return true;
    } catch (...) {
        for (; i < count; ++i) {
            values[i] = std::numeric_limits<double>::quiet_NaN();
        }
        return false;
    }
}

extern "C" void BXUT_LSQFT(int64_t* /*mode*/, int64_t* m, int64_t* /*n*/, double* p, double* x,
                           double* /*y*/, double* f, int64_t* status, void** userData) {
    if (m == nullptr || *m <= 0 || p == nullptr || x == nullptr || f == nullptr ||
        userData == nullptr || userData[0] == nullptr) {
        return;
    }
    const auto* fit = static_cast<const LeastSquaresFit*>(userData[0]);
    if (!fit->EvaluateModel(p, x, *m, f) && status != nullptr) {
        *status = 1;
    }
}
