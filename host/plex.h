#pragma once

// The host's word store: one fixed-capacity array of 64-bit words, read as integers and as
// reals (the build uses -fno-strict-aliasing for exactly this), with a record allocator.
// Positions count from 1; words 1 ... kReservedWords are never handed out, so that a position
// of 0 can mean "none".

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace brixel::host {

class Plex {
  public:
    static constexpr int64_t kReservedWords = 16;

    explicit Plex(std::size_t words);

    int64_t* Integers() { return m_words.get(); }  // IB(1)
    const int64_t* Integers() const { return m_words.get(); }
    double* Reals() { return reinterpret_cast<double*>(m_words.get()); }  // B(1)
    std::size_t Capacity() const { return m_capacity; }

    // Position of a zeroed block of `words` words (at least 1). A freed block of the same size
    // is reused first. Throws std::length_error when the store is full.
    int64_t Allocate(int64_t words);
    // Zeroes the block and keeps it for reuse. The caller passes the size it allocated.
    void Release(int64_t position, int64_t words);

    int64_t& Integer(int64_t position) { return m_words[position - 1]; }
    double& Real(int64_t position) { return Reals()[position - 1]; }
    bool Contains(int64_t position, int64_t words) const;

  private:
    struct Free {
        void operator()(int64_t* words) const;
    };
    std::size_t m_capacity;
    // Zeroed by the system page by page as it is first touched: a large store costs memory only
    // where records are.
    std::unique_ptr<int64_t[], Free> m_words;
    int64_t m_next = kReservedWords + 1;                   // first never-used position
    std::map<int64_t, std::vector<int64_t>> m_freeBlocks;  // size -> positions
};

}  // namespace brixel::host
