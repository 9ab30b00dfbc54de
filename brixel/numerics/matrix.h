#pragma once

#include <cstdint>
#include <vector>

#include "brixel/framework/export.h"
#include "brixel/numerics/vector.h"

// A dense matrix held as rows of CVector. Reads outside the matrix give 0.0. An operation on
// matrices (or a matrix and a vector) of unfitting dimensions, and a division by zero, are
// reported to the user and give an empty result.
class BRIXEL_API CMatrix {
  public:
    CMatrix();
    CMatrix(uint32_t rows, uint32_t columns);  // elements 0.0
    CMatrix(const CMatrix& other);
    CMatrix(CMatrix&& other) noexcept;
    ~CMatrix();
    CMatrix& operator=(const CMatrix& other);
    CMatrix& operator=(CMatrix&& other) noexcept;

    double At(uint32_t row, uint32_t column) const;  // 0.0 outside the matrix
    // Row for writing. A row outside the matrix is reported and the reference goes to an
    // empty scratch row, so writes through it change nothing.
    CVector& operator[](uint32_t row);
    const CVector& operator[](uint32_t row) const;

    // Keeps the elements both sizes share; new elements are 0.0.
    void Resize(uint32_t rows, uint32_t columns);
    // Rebuild the rows: rows x columns of 0.0.
    void RenewMatrix(uint32_t rows, uint32_t columns);
    void ConstructMatrix(uint32_t rows, uint32_t columns);
    void SetZero();
    uint32_t GetNumberOfRows() const { return m_nRows; }
    uint32_t GetNumberOfCols() const { return m_nCols; }
    // Exchanges two rows; a row outside the matrix is reported and nothing moves.
    void SwapRows(uint32_t first, uint32_t second);

    CMatrix operator+(const CMatrix& other) const;
    CMatrix operator-(const CMatrix& other) const;
    // On unfitting dimensions the matrix becomes empty, as the binary form's result does.
    CMatrix& operator+=(const CMatrix& other);
    CMatrix& operator-=(const CMatrix& other);

    CMatrix operator+(double value) const;
    CMatrix operator-(double value) const;
    CMatrix operator*(double value) const;
    CMatrix operator/(double value) const;
    CMatrix& operator+=(double value);
    CMatrix& operator-=(double value);
    CMatrix& operator*=(double value);
    CMatrix& operator/=(double value);

    CMatrix operator*(const CMatrix& other) const;  // matrix product
    CVector operator*(const CVector& vector) const;

    CMatrix Trans() const;
    // 0.0 when not square (and for the empty matrix). Expansion by minors along the first
    // row up to order 6; beyond that its n! cost is avoided by elimination, which gives the
    // same value to rounding.
    double Det() const;
    // Empty when not square or singular.
    CMatrix Inv() const;
    // Same dimensions and every element pair within absolute + relative * max(|a|, |b|).
    bool IsEqual(const CMatrix& other, const double& absolute, const double& relative) const;

  protected:
    // The minor without `row` and `column`; empty when either lies outside the matrix.
    CMatrix Compl(uint32_t row, uint32_t column) const;
    // (-1)^(row + column) times the determinant of the minor.
    double Cofact(uint32_t row, uint32_t column) const;
    // Transposed cofactor matrix; empty when not square.
    CMatrix Adjoint() const;

  private:
    // Applies `operation(element, otherElement)` to every element pair; on unfitting
    // dimensions reports and empties the matrix.
    template <typename Operation>
    CMatrix& CombineWith(const CMatrix& other, Operation operation);
    template <typename Operation>
    CMatrix& ApplyToEach(Operation operation);

    uint32_t m_nRows = 0;
    uint32_t m_nCols = 0;
    std::vector<CVector> m_caRows;
    CVector m_cScratchRow;  // target of out-of-range row writes
};

namespace brixel {

// The two ways CMatrix::Det computes a determinant (0.0 when not square), for checking that
// they agree.
double DeterminantByMinors(const CMatrix& matrix);
double DeterminantByElimination(const CMatrix& matrix);

}  // namespace brixel
