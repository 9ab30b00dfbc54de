#include "brixel/numerics/matrix.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "brixel/numerics/math_helper.h"

namespace brixel {

namespace {

// Beyond this order expansion by minors (n! terms) gives way to elimination.
constexpr uint32_t kLargestOrderByMinors = 6;

std::vector<double> RowMajorCopy(const CMatrix& matrix) {
    const uint32_t rows = matrix.GetNumberOfRows();
    const uint32_t columns = matrix.GetNumberOfCols();
    std::vector<double> values(static_cast<std::size_t>(rows) * columns);
    for (uint32_t i = 0; i < rows; ++i) {
        std::copy_n(matrix[i].Data(), columns, values.begin() + std::ptrdiff_t{i} * columns);
    }
    return values;
}

// Laplace expansion along `row` over the still unused `columns`.
double ExpandByMinors(const std::vector<double>& values, uint32_t order, uint32_t row,
                      const std::vector<uint32_t>& columns) {
    if (columns.size() == 1) {
        return values[std::size_t{row} * order + columns[0]];
    }
    double determinant = 0.0;
    double sign = 1.0;
    std::vector<uint32_t> remaining(columns.size() - 1);
    for (std::size_t j = 0; j < columns.size(); ++j) {
        std::copy(columns.begin(), columns.begin() + std::ptrdiff_t(j), remaining.begin());
        std::copy(columns.begin() + std::ptrdiff_t(j) + 1, columns.end(),
                  remaining.begin() + std::ptrdiff_t(j));
        determinant += sign * values[std::size_t{row} * order + columns[j]] *
                       ExpandByMinors(values, order, row + 1, remaining);
        sign = -sign;
    }
    return determinant;
}

}  // namespace

double DeterminantByMinors(const CMatrix& matrix) {
    const uint32_t order = matrix.GetNumberOfRows();
    if (order != matrix.GetNumberOfCols() || order == 0) {
        return 0.0;
    }
    std::vector<uint32_t> columns(order);
    for (uint32_t j = 0; j < order; ++j) {
        columns[j] = j;
    }
    return ExpandByMinors(RowMajorCopy(matrix), order, 0, columns);
}

double DeterminantByElimination(const CMatrix& matrix) {
    const uint32_t order = matrix.GetNumberOfRows();
    if (order != matrix.GetNumberOfCols() || order == 0) {
        return 0.0;
    }
    std::vector<double> a = RowMajorCopy(matrix);
    auto element = [&](uint32_t i, uint32_t j) -> double& { return a[std::size_t{i} * order + j]; };
    double determinant = 1.0;
    for (uint32_t k = 0; k < order; ++k) {
        // Largest pivot: the value must agree with the expansion to rounding.
        uint32_t pivot = k;
        for (uint32_t i = k + 1; i < order; ++i) {
            if (std::fabs(element(i, k)) > std::fabs(element(pivot, k))) {
                pivot = i;
            }
        }
        if (element(pivot, k) == 0.0) {
            return 0.0;
        }
        if (pivot != k) {
            for (uint32_t j = k; j < order; ++j) {
                std::swap(element(k, j), element(pivot, j));
            }
            determinant = -determinant;
        }
        determinant *= element(k, k);
        for (uint32_t i = k + 1; i < order; ++i) {
            const double factor = element(i, k) / element(k, k);
            for (uint32_t j = k + 1; j < order; ++j) {
                element(i, j) -= factor * element(k, j);
            }
        }
    }
    return determinant;
}

}  // namespace brixel

CMatrix::CMatrix() = default;

CMatrix::CMatrix(uint32_t rows, uint32_t columns) {
    ConstructMatrix(rows, columns);
}

CMatrix::CMatrix(const CMatrix& other)
    : m_nRows(other.m_nRows), m_nCols(other.m_nCols), m_caRows(other.m_caRows) {}

CMatrix::CMatrix(CMatrix&& other) noexcept
    : m_nRows(std::exchange(other.m_nRows, 0)),
      m_nCols(std::exchange(other.m_nCols, 0)),
      m_caRows(std::move(other.m_caRows)) {
    other.m_caRows.clear();
}

CMatrix::~CMatrix() = default;

CMatrix& CMatrix::operator=(const CMatrix& other) {
    if (this != &other) {
        m_nRows = other.m_nRows;
        m_nCols = other.m_nCols;
        m_caRows = other.m_caRows;
    }
    return *this;
}

CMatrix& CMatrix::operator=(CMatrix&& other) noexcept {
    if (this != &other) {
        m_nRows = std::exchange(other.m_nRows, 0);
        m_nCols = std::exchange(other.m_nCols, 0);
        m_caRows = std::move(other.m_caRows);
        other.m_caRows.clear();
    }
    return *this;
}

double CMatrix::At(uint32_t row, uint32_t column) const {
    return row < m_nRows ? m_caRows[row].At(column) : 0.0;
}

CVector& CMatrix::operator[](uint32_t row) {
    if (row < m_nRows) {
        return m_caRows[row];
    }
    brixel::ReportOperationError(brixel::kMatrixRowError);
    m_cScratchRow.Resize(0);
    return m_cScratchRow;
}

const CVector& CMatrix::operator[](uint32_t row) const {
    static const CVector kEmptyRow;
    return row < m_nRows ? m_caRows[row] : kEmptyRow;
}

void CMatrix::Resize(uint32_t rows, uint32_t columns) {
    m_caRows.resize(rows);
    for (CVector& row : m_caRows) {
        row.Resize(columns);
    }
    m_nRows = rows;
    m_nCols = columns;
}

void CMatrix::RenewMatrix(uint32_t rows, uint32_t columns) {
    ConstructMatrix(rows, columns);
}

void CMatrix::ConstructMatrix(uint32_t rows, uint32_t columns) {
    m_caRows.assign(rows, CVector(columns));
    m_nRows = rows;
    m_nCols = columns;
}

void CMatrix::SetZero() {
    for (CVector& row : m_caRows) {
        row.SetZero();
    }
}

void CMatrix::SwapRows(uint32_t first, uint32_t second) {
    if (first >= m_nRows || second >= m_nRows) {
        brixel::ReportOperationError(brixel::kSwapRowsError);
        return;
    }
    std::swap(m_caRows[first], m_caRows[second]);
}

template <typename Operation>
CMatrix& CMatrix::CombineWith(const CMatrix& other, Operation operation) {
    if (other.m_nRows != m_nRows || other.m_nCols != m_nCols) {
        brixel::ReportOperationError(brixel::kMatrixOperationError);
        *this = CMatrix();
        return *this;
    }
    for (uint32_t i = 0; i < m_nRows; ++i) {
        double* row = m_caRows[i].Data();
        const double* otherRow = other.m_caRows[i].Data();
        for (uint32_t j = 0; j < m_nCols; ++j) {
            row[j] = operation(row[j], otherRow[j]);
        }
    }
    return *this;
}

template <typename Operation>
CMatrix& CMatrix::ApplyToEach(Operation operation) {
    for (CVector& row : m_caRows) {
        double* values = row.Data();
        for (uint32_t j = 0; j < m_nCols; ++j) {
            values[j] = operation(values[j]);
        }
    }
    return *this;
}

CMatrix CMatrix::operator+(const CMatrix& other) const {
    return CMatrix(*this) += other;
}

CMatrix CMatrix::operator-(const CMatrix& other) const {
    return CMatrix(*this) -= other;
}

CMatrix& CMatrix::operator+=(const CMatrix& other) {
    return CombineWith(other, [](double a, double b) { return a + b; });
}

CMatrix& CMatrix::operator-=(const CMatrix& other) {
    return CombineWith(other, [](double a, double b) { return a - b; });
}

CMatrix CMatrix::operator+(double value) const {
    return CMatrix(*this) += value;
}

CMatrix CMatrix::operator-(double value) const {
    return CMatrix(*this) -= value;
}

CMatrix CMatrix::operator*(double value) const {
    return CMatrix(*this) *= value;
}

CMatrix CMatrix::operator/(double value) const {
    return CMatrix(*this) /= value;
}

CMatrix& CMatrix::operator+=(double value) {
    return ApplyToEach([value](double a) { return a + value; });
}

CMatrix& CMatrix::operator-=(double value) {
    return ApplyToEach([value](double a) { return a - value; });
}

CMatrix& CMatrix::operator*=(double value) {
    return ApplyToEach([value](double a) { return a * value; });
}

CMatrix& CMatrix::operator/=(double value) {
    if (value == 0.0) {
        // Would fill the matrix with infinities and NaN.
        brixel::ReportOperationError(brixel::kMatrixOperationError);
        *this = CMatrix();
        return *this;
    }
    return ApplyToEach([value](double a) { return a / value; });
}

CMatrix CMatrix::operator*(const CMatrix& other) const {
    if (m_nCols != other.m_nRows) {
        brixel::ReportOperationError(brixel::kMatrixOperationError);
        return CMatrix();
    }
    CMatrix product(m_nRows, other.m_nCols);
    for (uint32_t i = 0; i < m_nRows; ++i) {
        const double* row = m_caRows[i].Data();
        double* result = product.m_caRows[i].Data();
        for (uint32_t k = 0; k < m_nCols; ++k) {
            const double* otherRow = other.m_caRows[k].Data();
            for (uint32_t j = 0; j < other.m_nCols; ++j) {
                result[j] += row[k] * otherRow[j];
            }
        }
    }
    return product;
}

CVector CMatrix::operator*(const CVector& vector) const {
    if (m_nCols != vector.Size()) {
        brixel::ReportOperationError(brixel::kMatrixOperationError);
        return CVector();
    }
    CVector product(m_nRows);
    for (uint32_t i = 0; i < m_nRows; ++i) {
        const double* row = m_caRows[i].Data();
        double sum = 0.0;
        for (uint32_t j = 0; j < m_nCols; ++j) {
            sum += row[j] * vector.Data()[j];
        }
        product.Data()[i] = sum;
    }
    return product;
}

CMatrix CMatrix::Trans() const {
    CMatrix transposed(m_nCols, m_nRows);
    for (uint32_t i = 0; i < m_nRows; ++i) {
        for (uint32_t j = 0; j < m_nCols; ++j) {
            transposed.m_caRows[j].Data()[i] = m_caRows[i].Data()[j];
        }
    }
    return transposed;
}

double CMatrix::Det() const {
    return m_nRows <= brixel::kLargestOrderByMinors ? brixel::DeterminantByMinors(*this)
                                                    : brixel::DeterminantByElimination(*this);
}

CMatrix CMatrix::Inv() const {
    CMatrix inverse;
    if (m_nRows != m_nCols || !CMathHelper::Invert(*this, inverse)) {
        return CMatrix();
    }
    return inverse;
}

bool CMatrix::IsEqual(const CMatrix& other, const double& absolute, const double& relative) const {
    if (other.m_nRows != m_nRows || other.m_nCols != m_nCols) {
        return false;
    }
    for (uint32_t i = 0; i < m_nRows; ++i) {
        for (uint32_t j = 0; j < m_nCols; ++j) {
            const double a = m_caRows[i].Data()[j];
            const double b = other.m_caRows[i].Data()[j];
            // Written so that a NaN on either side fails.
            if (!(std::fabs(a - b) <= absolute + relative * std::max(std::fabs(a), std::fabs(b)))) {
                return false;
            }
        }
    }
    return true;
}

CMatrix CMatrix::Compl(uint32_t row, uint32_t column) const {
    if (row >= m_nRows || column >= m_nCols) {
        return CMatrix();
    }
    CMatrix minor(m_nRows - 1, m_nCols - 1);
    for (uint32_t i = 0, target = 0; i < m_nRows; ++i) {
        if (i == row) {
            continue;
        }
        const double* source = m_caRows[i].Data();
        double* destination = minor.m_caRows[target++].Data();
        std::copy_n(source, column, destination);
        std::copy(source + column + 1, source + m_nCols, destination + column);
    }
    return minor;
}

double CMatrix::Cofact(uint32_t row, uint32_t column) const {
    if (row >= m_nRows || column >= m_nCols) {
        return 0.0;
    }
    const double sign = (row + column) % 2 == 0 ? 1.0 : -1.0;
    return sign * Compl(row, column).Det();
}

CMatrix CMatrix::Adjoint() const {
    if (m_nRows != m_nCols) {
        return CMatrix();
    }
    CMatrix adjoint(m_nRows, m_nCols);
    if (m_nRows == 1) {
        adjoint.m_caRows[0].Data()[0] = 1.0;  // the empty minor's determinant
        return adjoint;
    }
    for (uint32_t i = 0; i < m_nRows; ++i) {
        for (uint32_t j = 0; j < m_nCols; ++j) {
            adjoint.m_caRows[j].Data()[i] = Cofact(i, j);
        }
    }
    return adjoint;
}
