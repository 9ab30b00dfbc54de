// The solver object's settings and the catalogue of methods and parameters that user
// interfaces show.

#include <cmath>
#include <cstddef>
#include <limits>
#include <span>

#include "brixel/numerics/solver.h"

CSolver* CSolver::m_pcSolver = nullptr;

namespace brixel {

// One named parameter: the field it reads and writes (integer or real) and the default that
// GetSolverParameterDefaults reports.
struct SolverParameter {
    const char* name;
    int CSolver::*integer;
    double CSolver::*real;
    double listDefault;
};

struct SolverMethod {
    const char* name;
    std::span<const SolverParameter> parameters;
};

struct SolverCatalogue {
    static constexpr const char* kMaxEvaluations = "Maximum Function Evaluations";
    static constexpr const char* kTolerance = "Tolerance";
    static constexpr const char* kStop = "Stop Parameter";
    static constexpr const char* kRepetitions = "Number of Repetitions";
    static constexpr const char* kSegments = "Number of Segments";

    static SolverParameter Integer(const char* name, int CSolver::*field, double listDefault) {
        return {name, field, nullptr, listDefault};
    }
    static SolverParameter Real(const char* name, double CSolver::*field, double listDefault) {
        return {name, nullptr, field, listDefault};
    }

    static const SolverMethod* Find(const CString& method) {
        static const SolverParameter golden[] = {
            Integer(kMaxEvaluations, &CSolver::m_nGoldMaxAllowedSteps, 200),
            Real(kTolerance, &CSolver::m_dblGoldTolerance, 1e-6)};
        static const SolverParameter dichotomous[] = {
            Integer(kMaxEvaluations, &CSolver::m_nDiMaxAllowedSteps, 200),
            Real(kTolerance, &CSolver::m_dblDiTolerance, 1e-6)};
        static const SolverParameter parabolic[] = {
            Integer(kMaxEvaluations, &CSolver::m_nQuadMaxAllowedSteps, 200),
            Real(kTolerance, &CSolver::m_dblQuadTolerance, 1e-6)};
        // The object starts with a Brent tolerance of 0.1 (Powell's line searches); the list
        // offers the tighter value for Brent's method on its own.
        static const SolverParameter brent[] = {
            Integer(kMaxEvaluations, &CSolver::m_nBrentMaxAllowedSteps, 200),
            Real(kTolerance, &CSolver::m_dblBrentTolerance, 1e-6)};
        static const SolverParameter fibonacci[] = {
            Integer(kMaxEvaluations, &CSolver::m_nFiMaxAllowedSteps, 90),
            Real(kTolerance, &CSolver::m_dblFiTolerance, 1e-6)};
        static const SolverParameter powell[] = {
            Real("Tolerance (Value)", &CSolver::m_dblPowellFTol, 1e-4),
            Real("Tolerance (Parameter)", &CSolver::m_dblBrentTolerance, 0.1),
            Integer(kMaxEvaluations, &CSolver::m_nPowellMaxAllowedSteps, 5000)};
        static const SolverParameter grid[] = {
            Integer(kMaxEvaluations, &CSolver::m_nGridMaxAllowedSteps, 100000),
            Real("Step Size", &CSolver::m_dblGridStep, 5.0)};
        static const SolverParameter genetic[] = {
            Integer("Size of Generation", &CSolver::m_nGAGenSize, 40),
            Integer("Mutation Frequency", &CSolver::m_nGAMutationFrequency, 30),
            Integer(kStop, &CSolver::m_nGALastGenerations, 3),
            Integer(kRepetitions, &CSolver::m_nGARepetitions, 0),
            Real("Sigma", &CSolver::m_dblGASigma, 0.05),
            Integer(kMaxEvaluations, &CSolver::m_nGAMaxAllowedSteps, 10000)};
        static const SolverParameter tabu[] = {
            Integer("Tabu Tenure", &CSolver::m_nTabuTenure, -1),
            Integer(kStop, &CSolver::m_nTabuStop, -1),
            Integer(kRepetitions, &CSolver::m_iTabuRepetitions, 0),
            Integer(kSegments, &CSolver::m_iTabuNumbSeg, 10),
            Integer(kMaxEvaluations, &CSolver::m_nTabuMaxAllowedSteps, 10000)};
        static const SolverParameter annealing[] = {
            Integer(kStop, &CSolver::m_nSATempSteps, 10),
            Real("Initial Acceptance Ratio", &CSolver::m_dblSAInitialAcceptance, 0.9),
            Integer(kSegments, &CSolver::m_nSANumbSeg, 10),
            Real("Temperature Reduction Factor", &CSolver::m_dblSAAlpha, 0.9),
            Integer(kMaxEvaluations, &CSolver::m_nSAMaxAllowedSteps, 10000)};
        static const SolverParameter complex[] = {
            Integer(kMaxEvaluations, &CSolver::m_nComplexMaxAllowedSteps, 5000),
            Integer("Number of Vertices", &CSolver::m_nComplexNumbPoints, -1),
            Real("Parameter Tolerance", &CSolver::m_dblComplexParTolerance, 1e-5),
            Real("Function Value Tolerance", &CSolver::m_dblComplexFuncTolerance, 1e-5),
            Integer("Maximum Steps to Build Complex", &CSolver::m_nComplexMaxFirst, 500),
            Real("Reflection Factor alpha", &CSolver::m_dblComplexAlpha, 1.0),
            Real("Contraction Factor beta", &CSolver::m_dblComplexBeta, 0.5),
            Real("Expansion Factor gamma", &CSolver::m_dblComplexGama, 1.3)};
        static const SolverMethod methods[] = {
            {kGoldenSection, golden}, {kDichotomous, dichotomous}, {kParabolic, parabolic},
            {kBrent, brent},          {kFibonacci, fibonacci},     {kPowell, powell},
            {kGridSearch, grid},      {kGenetic, genetic},         {kTabuSearch, tabu},
            {kAnnealing, annealing},  {kComplex, complex},
        };
        for (const auto& entry : methods) {
            if (method == entry.name) {
                return &entry;
            }
        }
        return nullptr;
    }

    // Catalogue names; "Powell´s Method" carries byte 0xB4 (the acute accent of the
    // platform's Latin code page), which the string conversions keep as U+00B4.
    static constexpr const char* kGoldenSection = "Golden Section";
    static constexpr const char* kDichotomous = "Dichrotome Search";
    static constexpr const char* kParabolic = "Parabolic Interpolation";
    static constexpr const char* kBrent = "Brent's Method";
    static constexpr const char* kFibonacci = "Fibonacci Search";
    static constexpr const char* kPowell = "Powell\xB4s Method";
    static constexpr const char* kGridSearch = "Grid Search";
    static constexpr const char* kGenetic = "Genetic Algorithm";
    static constexpr const char* kTabuSearch = "Tabu Search";
    static constexpr const char* kAnnealing = "Simulated Annealing";
    static constexpr const char* kComplex = "COMPLEX";
};

namespace {

bool AppendName(CComSafeArray<BSTR>& list, const char* name) {
    BSTR text = AllocBstr(name);
    if (text == nullptr) {
        return false;
    }
    if (list.Add(text, false) != kStatusOk) {
        SysFreeString(text);
        return false;
    }
    return true;
}

bool AppendNames(CComSafeArray<BSTR>& list, std::span<const char* const> names) {
    for (const char* name : names) {
        if (!AppendName(list, name)) {
            return false;
        }
    }
    return true;
}

bool AppendValue(CComSafeArray<double>& values, double value) {
    return values.Add(value) == kStatusOk;
}

// An integer parameter takes the nearest integer of a finite value that fits an int.
bool ToInteger(double value, int& result) {
    if (!std::isfinite(value)) {
        return false;
    }
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<int>::min() || rounded > std::numeric_limits<int>::max()) {
        return false;
    }
    result = static_cast<int>(rounded);
    return true;
}

}  // namespace
}  // namespace brixel

using brixel::SolverCatalogue;

void CSolver::SetStartValues(double first, double second) {
    m_dblStartValue1 = first;
    m_dblStartValue2 = second;
}

void CSolver::SetLowerInitialStepsValues(double point, double value) {
    m_dblPrevPoint = point;
    m_dblPrevValue = value;
}

void CSolver::SetUpperInitialStepsValues(double point, double value) {
    m_dblCurPoint = point;
    m_dblCurValue = value;
}

void CSolver::Set1DSolverInterval(double a, double b) {
    m_dbl1DA = a;
    m_dbl1DB = b;
}

void CSolver::ResetSolverClass() {
    m_pfnFunction = nullptr;
    m_dblStartValue1 = 1.0;
    m_dblStartValue2 = 1.0;
    m_nSide = 0;
}

bool CSolver::Get1DOptimizerList(CComSafeArray<BSTR>* list, int mode) const {
    if (list == nullptr || mode < 0 || mode > 2) {
        return false;
    }
    static constexpr const char* kUnconstrained[] = {
        SolverCatalogue::kGoldenSection, SolverCatalogue::kDichotomous,
        SolverCatalogue::kParabolic,     SolverCatalogue::kFibonacci,
        SolverCatalogue::kBrent,         SolverCatalogue::kGridSearch,
        SolverCatalogue::kTabuSearch,    SolverCatalogue::kAnnealing};
    if ((mode == 0 || mode == 2) && !brixel::AppendName(*list, SolverCatalogue::kComplex)) {
        return false;
    }
    return !(mode == 1 || mode == 2) || brixel::AppendNames(*list, kUnconstrained);
}

bool CSolver::GetNDOptimizerList(CComSafeArray<BSTR>* list, int mode) const {
    if (list == nullptr || mode < 0 || mode > 2) {
        return false;
    }
    static constexpr const char* kUnconstrained[] = {
        SolverCatalogue::kPowell, SolverCatalogue::kGridSearch, SolverCatalogue::kGenetic,
        SolverCatalogue::kTabuSearch, SolverCatalogue::kAnnealing};
    if ((mode == 1 || mode == 2) && !brixel::AppendNames(*list, kUnconstrained)) {
        return false;
    }
    return !(mode == 0 || mode == 2) || brixel::AppendName(*list, SolverCatalogue::kComplex);
}

bool CSolver::GetSolverParameter(const CString& method, CComSafeArray<BSTR>* names) const {
    const brixel::SolverMethod* entry = SolverCatalogue::Find(method);
    if (names == nullptr || entry == nullptr) {
        return false;
    }
    for (const auto& parameter : entry->parameters) {
        if (!brixel::AppendName(*names, parameter.name)) {
            return false;
        }
    }
    return true;
}

bool CSolver::GetSolverParameterValues(const CString& method, CComSafeArray<double>* values) const {
    const brixel::SolverMethod* entry = SolverCatalogue::Find(method);
    if (values == nullptr || entry == nullptr) {
        return false;
    }
    for (const auto& parameter : entry->parameters) {
        const double value = parameter.integer != nullptr
                                 ? static_cast<double>(this->*parameter.integer)
                                 : this->*parameter.real;
        if (!brixel::AppendValue(*values, value)) {
            return false;
        }
    }
    return true;
}

bool CSolver::SetSolverParameterValues(const CString& method, const CComSafeArray<double>* values) {
    const brixel::SolverMethod* entry = SolverCatalogue::Find(method);
    if (values == nullptr || entry == nullptr || values->GetDimensions() != 1 ||
        values->GetCount() != entry->parameters.size()) {
        return false;
    }
    // Checked as a whole first, so that a bad entry leaves every parameter as it was.
    const long first = values->GetLowerBound();
    for (std::size_t i = 0; i < entry->parameters.size(); ++i) {
        const double value = values->GetAt(first + static_cast<long>(i));
        int integer = 0;
        if (entry->parameters[i].integer != nullptr ? !brixel::ToInteger(value, integer)
                                                    : !std::isfinite(value)) {
            return false;
        }
    }
    for (std::size_t i = 0; i < entry->parameters.size(); ++i) {
        const auto& parameter = entry->parameters[i];
        const double value = values->GetAt(first + static_cast<long>(i));
        if (parameter.integer != nullptr) {
            brixel::ToInteger(value, this->*parameter.integer);
        } else {
            this->*parameter.real = value;
        }
    }
    return true;
}

bool CSolver::GetSolverParameterDefaults(const CString& method,
                                         CComSafeArray<double>* values) const {
    const brixel::SolverMethod* entry = SolverCatalogue::Find(method);
    if (values == nullptr || entry == nullptr) {
        return false;
    }
    for (const auto& parameter : entry->parameters) {
        if (!brixel::AppendValue(*values, parameter.listDefault)) {
            return false;
        }
    }
    return true;
}
