// The method and parameter catalogue of CSolver.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "brixel/numerics/solver.h"

namespace {

using Names = std::vector<std::string>;
using Values = std::vector<double>;

const std::string kPowell = "Powell\xB4s Method";  // byte 0xB4, the acute accent

Names Read(const CComSafeArray<BSTR>& list) {
    Names names;
    for (long i = list.GetLowerBound(); i <= list.GetUpperBound(); ++i) {
        names.push_back(brixel::ToStdString(list.GetAt(i)));
    }
    return names;
}
Values Read(const CComSafeArray<double>& list) {
    Values values;
    for (long i = list.GetLowerBound(); i <= list.GetUpperBound(); ++i) {
        values.push_back(list.GetAt(i));
    }
    return values;
}
CComSafeArray<double> Array(const Values& values) {
    CComSafeArray<double> array;
    for (double value : values) {
        array.Add(value);
    }
    return array;
}

struct MethodRow {
    std::string method;
    Names parameters;
    Values initial;
    Values listDefaults = {};  // empty: the same as the initial values
};

// The catalogue: names in order, the object's initial values, the list defaults.
const std::vector<MethodRow>& Table() {
    static const Names stepsAndTolerance{"Maximum Function Evaluations", "Tolerance"};
    static const std::vector<MethodRow> rows = {
        {"Golden Section", stepsAndTolerance, {200, 1e-6}},
        {"Dichrotome Search", stepsAndTolerance, {200, 1e-6}},
        {"Parabolic Interpolation", stepsAndTolerance, {200, 1e-6}},
        {"Brent's Method", stepsAndTolerance, {200, 0.1}, {200, 1e-6}},
        {"Fibonacci Search", stepsAndTolerance, {90, 1e-6}},
        {kPowell,
         {"Tolerance (Value)", "Tolerance (Parameter)", "Maximum Function Evaluations"},
         {1e-4, 0.1, 5000}},
        {"Grid Search", {"Maximum Function Evaluations", "Step Size"}, {100000, 5}},
        {"Genetic Algorithm",
         {"Size of Generation", "Mutation Frequency", "Stop Parameter", "Number of Repetitions",
          "Sigma", "Maximum Function Evaluations"},
         {40, 30, 3, 0, 0.05, 10000}},
        {"Tabu Search",
         {"Tabu Tenure", "Stop Parameter", "Number of Repetitions", "Number of Segments",
          "Maximum Function Evaluations"},
         {-1, -1, 0, 10, 10000}},
        {"Simulated Annealing",
         {"Stop Parameter", "Initial Acceptance Ratio", "Number of Segments",
          "Temperature Reduction Factor", "Maximum Function Evaluations"},
         {10, 0.9, 10, 0.9, 10000}},
        {"COMPLEX",
         {"Maximum Function Evaluations", "Number of Vertices", "Parameter Tolerance",
          "Function Value Tolerance", "Maximum Steps to Build Complex", "Reflection Factor alpha",
          "Contraction Factor beta", "Expansion Factor gamma"},
         {5000, -1, 1e-5, 1e-5, 500, 1.0, 0.5, 1.3}},
    };
    return rows;
}

TEST(SolverCatalogueTest, OptimizerListsByMode) {
    const CSolver solver;
    const Names oneD{"Golden Section",   "Dichrotome Search",  "Parabolic Interpolation",
                     "Fibonacci Search", "Brent's Method",     "Grid Search",
                     "Tabu Search",      "Simulated Annealing"};
    const Names nD{kPowell, "Grid Search", "Genetic Algorithm", "Tabu Search",
                   "Simulated Annealing"};
    auto listed = [&](auto getList, int mode) {
        CComSafeArray<BSTR> list;
        EXPECT_TRUE((solver.*getList)(&list, mode)) << mode;
        return Read(list);
    };
    const auto list1D = [&](int mode) { return listed(&CSolver::Get1DOptimizerList, mode); };
    const auto listND = [&](int mode) { return listed(&CSolver::GetNDOptimizerList, mode); };
    Names both1D{"COMPLEX"};
    both1D.insert(both1D.end(), oneD.begin(), oneD.end());
    Names bothND = nD;
    bothND.push_back("COMPLEX");
    EXPECT_EQ(list1D(0), Names{"COMPLEX"});
    EXPECT_EQ(list1D(1), oneD);
    EXPECT_EQ(list1D(2), both1D);
    EXPECT_EQ(listND(0), Names{"COMPLEX"});
    EXPECT_EQ(listND(1), nD);
    EXPECT_EQ(listND(2), bothND);

    // Appended to what the list holds; the accent is the character U+00B4.
    CComSafeArray<BSTR> list;
    list.Add(brixel::AllocBstr("first"), false);
    ASSERT_TRUE(solver.GetNDOptimizerList(&list, 1));
    ASSERT_EQ(list.GetCount(), 6u);
    EXPECT_EQ(brixel::ToStdString(list.GetAt(0)), "first");
    EXPECT_EQ(list.GetAt(1)[6], static_cast<OLECHAR>(0x00B4));
    EXPECT_EQ(SysStringLen(list.GetAt(1)), 15u);

    EXPECT_FALSE(solver.Get1DOptimizerList(nullptr, 2));
    EXPECT_FALSE(solver.GetNDOptimizerList(&list, 3));
    EXPECT_EQ(list.GetCount(), 6u);
}

TEST(SolverCatalogueTest, EveryMethodHasItsNamesInitialValuesAndListDefaults) {
    const CSolver solver;
    for (const auto& row : Table()) {
        CComSafeArray<BSTR> names;
        CComSafeArray<double> values;
        CComSafeArray<double> defaults;
        ASSERT_TRUE(solver.GetSolverParameter(row.method.c_str(), &names)) << row.method;
        ASSERT_TRUE(solver.GetSolverParameterValues(row.method.c_str(), &values)) << row.method;
        ASSERT_TRUE(solver.GetSolverParameterDefaults(row.method.c_str(), &defaults));
        EXPECT_EQ(Read(names), row.parameters) << row.method;
        EXPECT_EQ(Read(values), row.initial) << row.method;
        EXPECT_EQ(Read(defaults), row.listDefaults.empty() ? row.initial : row.listDefaults)
            << row.method;
    }
    EXPECT_EQ(solver.GetROOT1NMaxAllowedSteps(), 100);
    EXPECT_EQ(solver.GetROOT1NTolerance(), 1e-6);
    EXPECT_FALSE(solver.GetbTabuAspiration());
    EXPECT_EQ(CSolver::m_pcSolver, nullptr);
}

TEST(SolverCatalogueTest, NamesCompareExactly) {
    const CSolver solver;
    CComSafeArray<BSTR> names;
    for (const char* name : {"Powell's Method", "golden section", "Golden Section ", ""}) {
        EXPECT_FALSE(solver.GetSolverParameter(name, &names)) << name;
    }
    EXPECT_FALSE(solver.GetSolverParameter("Golden Section", nullptr));
    EXPECT_FALSE(solver.GetSolverParameterValues("Golden Section", nullptr));
    EXPECT_FALSE(solver.GetSolverParameterDefaults("Golden Section", nullptr));
    EXPECT_EQ(names.GetCount(), 0u);
}

TEST(SolverCatalogueTest, SettingValuesReachesTheAccessorsAndIsAllOrNothing) {
    CSolver solver;
    auto set = [&](const char* method, const Values& values) {
        const CComSafeArray<double> array = Array(values);
        return solver.SetSolverParameterValues(method, &array);
    };
    ASSERT_TRUE(set("Golden Section", {150, 1e-3}));
    EXPECT_EQ(solver.GetGoldMaxAllowedSteps(), 150);
    EXPECT_EQ(solver.GetGoldTolerance(), 1e-3);
    // Powell's parameter tolerance is the Brent tolerance.
    ASSERT_TRUE(set(kPowell.c_str(), {1e-5, 0.02, 800}));
    EXPECT_EQ(solver.GetBrentTolerance(), 0.02);
    EXPECT_EQ(solver.GetPowellMaxAllowedSteps(), 800);
    // Integers take the nearest integer.
    ASSERT_TRUE(set("Tabu Search", {2.6, -1, 1, 12, 9999.9999}));
    EXPECT_EQ(solver.GetTabuTenure(), 3);
    EXPECT_EQ(solver.GetTabuMaxAllowedSteps(), 10000);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(set("Golden Section", {100}));           // too few
    EXPECT_FALSE(set("Golden Section", {100, 1e-4, 3}));  // too many
    EXPECT_FALSE(set("Golden Section", {100, nan}));      // not a number
    EXPECT_FALSE(set("Golden Section", {1e10, 1e-4}));    // beyond an int
    EXPECT_FALSE(set("Golden Section", {nan, 1e-4}));
    EXPECT_FALSE(set("Golden Sections", {100, 1e-4}));
    EXPECT_FALSE(solver.SetSolverParameterValues("Golden Section", nullptr));
    EXPECT_EQ(solver.GetGoldMaxAllowedSteps(), 150);
    EXPECT_EQ(solver.GetGoldTolerance(), 1e-3);

    // Copies carry every parameter.
    const CSolver copy = solver;
    CComSafeArray<double> values;
    ASSERT_TRUE(copy.GetSolverParameterValues("Tabu Search", &values));
    EXPECT_EQ(Read(values), (Values{3, -1, 1, 12, 10000}));
}

}  // namespace
