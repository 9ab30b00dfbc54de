#include "brixel/framework/plex.h"

#include <cstddef>
#include <cstdint>

#include "brixel/framework/host_interface.h"
#include "brixel/framework/records.h"

namespace brixel::plex {

namespace {

using records::kCharactersPerWord;

// One view of the store. A capacity of 0 means "unknown": the bases came from somewhere other
// than the host's store, so only positions below 1 can be rejected.
template <typename Word>
struct View {
    Word* base = nullptr;
    int64_t capacity = 0;

    Word* At(int64_t position) const {
        // Compared before any address is formed, so no pointer leaves the store.
        if (!base || position < 1 || (capacity > 0 && position > capacity)) {
            return nullptr;
        }
        return base + (position - 1);
    }

    int64_t PositionOf(const Word* address) const {
        if (!base || !address) {
            return 0;
        }
        // Integer arithmetic: comparing pointers into different objects is not defined.
        const auto first = reinterpret_cast<std::uintptr_t>(base);
        const auto target = reinterpret_cast<std::uintptr_t>(address);
        if (target < first || (target - first) % sizeof(Word) != 0) {
            return 0;
        }
        const std::uintptr_t index = (target - first) / sizeof(Word);
        if (index >= static_cast<std::uintptr_t>(INT64_MAX)) {
            return 0;
        }
        const auto position = static_cast<int64_t>(index) + 1;
        return capacity > 0 && position > capacity ? 0 : position;
    }
};

// Process-wide, like the host's own store; written without locks (single calculation thread).
View<int64_t> g_integers;
View<double> g_reals;

// Capacity of a view whose base is the host's store; 0 (unknown) for any other base.
int64_t HostCapacityFor(const void* base) {
    int64_t words = 0;
    const int64_t* store = HostPlex(&words);
    return base && base == static_cast<const void*>(store) && words > 0 ? words : 0;
}

}  // namespace

void SetBases(int64_t* integerBase, double* realBase) {
    g_integers = {integerBase, HostCapacityFor(integerBase)};
    g_reals = {realBase, HostCapacityFor(realBase)};
}

void SetupFromHost() {
    int64_t words = 0;
    int64_t* store = HostPlex(&words);
    const int64_t capacity = store && words > 0 ? words : 0;
    g_integers = {store, capacity};
    // The real view is the same memory read as doubles, as the host lays it out.
    g_reals = {reinterpret_cast<double*>(store), capacity};
}

bool IsSetUp() {
    return g_integers.base && g_reals.base;
}

int64_t* IntAt(int64_t position) {
    return g_integers.At(position);
}

double* RealAt(int64_t position) {
    return g_reals.At(position);
}

int64_t* IntRecord(int64_t bead) {
    const int64_t position = HostLocateIds(&bead);
    return position > 0 ? IntAt(position) : nullptr;
}

double* RealRecord(int64_t bead) {
    const int64_t position = HostLocateRealData(&bead);
    return position > 0 ? RealAt(position) : nullptr;
}

int64_t PositionOf(const int64_t* address) {
    return g_integers.PositionOf(address);
}

int64_t PositionOf(const double* address) {
    return g_reals.PositionOf(address);
}

std::string Unpack(const int64_t* words, int characters) {
    if (!words || characters <= 0) {
        return {};
    }
    std::string text;
    text.reserve(static_cast<std::size_t>(characters));
    for (int i = 0; i < characters; ++i) {
        // Character j of a word is byte j of its low half, counted from the least significant.
        const auto word = static_cast<uint64_t>(words[i / kCharactersPerWord]);
        const int shift = 8 * (i % kCharactersPerWord);
        text.push_back(static_cast<char>((word >> shift) & 0xFFu));
    }
    // Never-written words read as NUL bytes; they pad like blanks.
    const auto last = text.find_last_not_of(std::string(" \0", 2));
    text.erase(last == std::string::npos ? 0 : last + 1);
    return text;
}

std::vector<int64_t> Pack(const std::string& text, int characters) {
    if (characters <= 0) {
        return {};
    }
    // The host reads exactly `characters` characters, so the text is cut or padded here.
    std::string padded = text.substr(0, static_cast<std::size_t>(characters));
    padded.resize(static_cast<std::size_t>(characters), ' ');
    std::vector<int64_t> words(
        static_cast<std::size_t>((characters + kCharactersPerWord - 1) / kCharactersPerWord), 0);
    const int64_t length = characters;
    HostStringToHollerith(padded.c_str(), &length, words.data());
    return words;
}

}  // namespace brixel::plex
