#pragma once

#include <cstdint>
#include <vector>

#include "brixel/framework/export.h"

// Results of the last flash of one stream, kept per stream bead by a unit.
class BRIXEL_API CFlashBuffer {
  public:
    int m_nBead = 0;
    std::vector<double> m_daA;  // host result array A, one value per listed component
    std::vector<double> m_daB;
    int m_nComps = 0;
    std::vector<int64_t> m_naComps;      // 0-based component numbers
    std::vector<int64_t> m_naHostComps;  // the same, 1-based as the host gives them
    std::vector<double> m_daC;
    std::vector<double> m_daD;
    double m_dblBeta = 0.0;
    int m_nKind = 0;  // 0 after a flash; 1 or 2 once the polymer-rich phase is fixed

    // Refreshes the buffer; arrays are reallocated only when the component count changes.
    // Null arrays are read as zeros.
    void Fill(int bead, int count, const int64_t* hostComps, const double* a, const double* b,
              const double* c, const double* d, double beta);
};
