#include "brixel/framework/flash_buffer.h"

#include <algorithm>

namespace {

void CopyOrZero(std::vector<double>& target, const double* source) {
    if (source) {
        std::copy(source, source + target.size(), target.begin());
    } else {
        std::fill(target.begin(), target.end(), 0.0);
    }
}

}  // namespace

void CFlashBuffer::Fill(int bead, int count, const int64_t* hostComps, const double* a,
                        const double* b, const double* c, const double* d, double beta) {
    count = std::max(count, 0);
    m_nBead = bead;
    if (count != m_nComps || m_naComps.size() != static_cast<std::size_t>(count)) {
        m_nComps = count;
        for (auto* values : {&m_daA, &m_daB, &m_daC, &m_daD}) {
            values->assign(static_cast<std::size_t>(count), 0.0);
        }
        m_naComps.assign(static_cast<std::size_t>(count), 0);
        m_naHostComps.assign(static_cast<std::size_t>(count), 0);
    }
    for (int i = 0; i < count; ++i) {
        const int64_t number = hostComps ? hostComps[i] : 0;
        m_naHostComps[static_cast<std::size_t>(i)] = number;
        m_naComps[static_cast<std::size_t>(i)] = number - 1;
    }
    CopyOrZero(m_daA, a);
    CopyOrZero(m_daB, b);
    CopyOrZero(m_daC, c);
    CopyOrZero(m_daD, d);
    m_dblBeta = beta;
    m_nKind = 0;
}
