#include "host/plex.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>

namespace brixel::host {

void Plex::Free::operator()(int64_t* words) const {
    std::free(words);
}

Plex::Plex(std::size_t words)
    : m_capacity(words),
      m_words(
          static_cast<int64_t*>(std::calloc(std::max<std::size_t>(words, 1), sizeof(int64_t)))) {
    if (!m_words) {
        throw std::bad_alloc();
    }
}

int64_t Plex::Allocate(int64_t words) {
    words = std::max<int64_t>(words, 1);
    auto reusable = m_freeBlocks.find(words);
    if (reusable != m_freeBlocks.end() && !reusable->second.empty()) {
        const int64_t position = reusable->second.back();
        reusable->second.pop_back();
        return position;
    }
    const auto capacity = static_cast<int64_t>(m_capacity);
    if (words > capacity || m_next > capacity - words + 1) {
        throw std::length_error("plex full: no room for a record of " + std::to_string(words) +
                                " words");
    }
    const int64_t position = m_next;
    m_next += words;
    return position;
}

void Plex::Release(int64_t position, int64_t words) {
    words = std::max<int64_t>(words, 1);
    if (position <= kReservedWords || !Contains(position, words)) {
        return;
    }
    std::fill_n(m_words.get() + (position - 1), words, int64_t{0});
    m_freeBlocks[words].push_back(position);
}

bool Plex::Contains(int64_t position, int64_t words) const {
    const auto capacity = static_cast<int64_t>(m_capacity);
    return position >= 1 && words >= 0 && position <= capacity && words <= capacity - position + 1;
}

}  // namespace brixel::host
