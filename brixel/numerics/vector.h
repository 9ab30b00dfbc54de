#pragma once

#include <cstdint>
#include <memory>

#include "brixel/framework/export.h"

// A dense vector of doubles. Reads past the end give 0.0; an operation on vectors of
// different sizes is reported to the user and gives an empty vector.
class BRIXEL_API CVector {
  public:
    explicit CVector(uint32_t size = 0);  // elements 0.0
    CVector(uint32_t size, double value);
    CVector(const CVector& other);
    CVector(CVector&& other) noexcept;
    ~CVector();
    CVector& operator=(const CVector& other);
    CVector& operator=(CVector&& other) noexcept;

    // Element `index`, 0.0 at or beyond the size.
    double At(uint32_t index) const;
    // Element `index` for writing. An index at or beyond the size is reported and the
    // reference goes to a scratch element, so the write changes nothing.
    double& operator[](uint32_t index);
    double operator[](uint32_t index) const { return At(index); }

    uint32_t Size() const { return m_nSize; }
    double* Data() { return m_pdData.get(); }
    const double* Data() const { return m_pdData.get(); }

    void SetZero();
    void SetAll(double value);
    // Keeps the first min(old, new) elements; new elements get `value`.
    void Resize(uint32_t size);
    void Resize(uint32_t size, double value);
    // Exchanges two elements; an index outside the vector is reported and nothing moves.
    void SwapRows(uint32_t first, uint32_t second);

    CVector operator+(const CVector& other) const;
    CVector operator-(const CVector& other) const;
    CVector operator+(double value) const;  // adds `value` to every element
    CVector& operator+=(double value);

  private:
    uint32_t m_nSize = 0;
    uint32_t m_nCapacity = 0;
    std::unique_ptr<double[]> m_pdData;
    double m_dblScratch = 0.0;  // target of out-of-range writes
};

namespace brixel {

// User-visible texts of operations that are not defined for their operands.
inline constexpr const char* kVectorOperationError = "Error,vector operation not defined!";
inline constexpr const char* kMatrixOperationError = "Error,matrix operation not defined!";
inline constexpr const char* kSwapRowsError = "Error: SwapRows caused error";
inline constexpr const char* kVectorIndexError = "Error,vector index out of range!";
inline constexpr const char* kMatrixRowError = "Error,matrix row out of range!";

// Reports a failed matrix or vector operation without stopping the caller: the text goes to
// standard error and, as one line, to the host's history file.
void ReportOperationError(const char* text);

}  // namespace brixel
