#include "brixel/numerics/vector.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "brixel/framework/records.h"
#include "brixel/messages/history.h"

namespace brixel {

void ReportOperationError(const char* text) {
    // The platform shows these in a modal box; here nothing may block the calculation.
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
    const int words = records::WordsForCharacters(static_cast<int>(std::strlen(text)));
    WriteHistoryRecord(text, words);
}

}  // namespace brixel

CVector::CVector(uint32_t size) : CVector(size, 0.0) {}

CVector::CVector(uint32_t size, double value)
    : m_nSize(size), m_nCapacity(size), m_pdData(std::make_unique<double[]>(size)) {
    std::fill_n(m_pdData.get(), size, value);
}

CVector::CVector(const CVector& other)
    : m_nSize(other.m_nSize),
      m_nCapacity(other.m_nSize),
      m_pdData(std::make_unique<double[]>(other.m_nSize)) {
    std::copy_n(other.m_pdData.get(), m_nSize, m_pdData.get());
}

CVector::CVector(CVector&& other) noexcept
    : m_nSize(std::exchange(other.m_nSize, 0)),
      m_nCapacity(std::exchange(other.m_nCapacity, 0)),
      m_pdData(std::move(other.m_pdData)) {}

CVector::~CVector() = default;

CVector& CVector::operator=(const CVector& other) {
    if (this != &other) {
        if (other.m_nSize > m_nCapacity) {
            m_pdData = std::make_unique<double[]>(other.m_nSize);
            m_nCapacity = other.m_nSize;
        }
        m_nSize = other.m_nSize;
        std::copy_n(other.m_pdData.get(), m_nSize, m_pdData.get());
    }
    return *this;
}

CVector& CVector::operator=(CVector&& other) noexcept {
    if (this != &other) {
        m_nSize = std::exchange(other.m_nSize, 0);
        m_nCapacity = std::exchange(other.m_nCapacity, 0);
        m_pdData = std::move(other.m_pdData);
    }
    return *this;
}

double CVector::At(uint32_t index) const {
    return index < m_nSize ? m_pdData[index] : 0.0;
}

double& CVector::operator[](uint32_t index) {
    if (index < m_nSize) {
        return m_pdData[index];
    }
    brixel::ReportOperationError(brixel::kVectorIndexError);
    m_dblScratch = 0.0;
    return m_dblScratch;
}

void CVector::SetZero() {
    SetAll(0.0);
}

void CVector::SetAll(double value) {
    std::fill_n(m_pdData.get(), m_nSize, value);
}

void CVector::Resize(uint32_t size) {
    Resize(size, 0.0);
}

void CVector::Resize(uint32_t size, double value) {
    if (size > m_nCapacity) {
        auto data = std::make_unique<double[]>(size);
        std::copy_n(m_pdData.get(), m_nSize, data.get());
        m_pdData = std::move(data);
        m_nCapacity = size;
    }
    if (size > m_nSize) {
        std::fill(m_pdData.get() + m_nSize, m_pdData.get() + size, value);
    }
    m_nSize = size;
}

void CVector::SwapRows(uint32_t first, uint32_t second) {
    if (first >= m_nSize || second >= m_nSize) {
        brixel::ReportOperationError(brixel::kSwapRowsError);
        return;
    }
    std::swap(m_pdData[first], m_pdData[second]);
}

CVector CVector::operator+(const CVector& other) const {
    if (other.m_nSize != m_nSize) {
        brixel::ReportOperationError(brixel::kVectorOperationError);
        return CVector();
    }
    CVector sum(*this);
    for (uint32_t i = 0; i < m_nSize; ++i) {
        sum.m_pdData[i] += other.m_pdData[i];
    }
    return sum;
}

CVector CVector::operator-(const CVector& other) const {
    if (other.m_nSize != m_nSize) {
        brixel::ReportOperationError(brixel::kVectorOperationError);
        return CVector();
    }
    CVector difference(*this);
    for (uint32_t i = 0; i < m_nSize; ++i) {
        difference.m_pdData[i] -= other.m_pdData[i];
    }
    return difference;
}

CVector CVector::operator+(double value) const {
    CVector sum(*this);
    sum += value;
    return sum;
}

CVector& CVector::operator+=(double value) {
    for (uint32_t i = 0; i < m_nSize; ++i) {
        m_pdData[i] += value;
    }
    return *this;
}
