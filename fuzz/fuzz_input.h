#pragma once

// Reads typed values from a fuzzer's bytes, front to back; past the end every value is 0 or
// empty, so that a target never reads beyond its input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace brixel::fuzz {

class FuzzInput {
  public:
    FuzzInput(const uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool Empty() const { return m_position >= m_size; }

    template <typename T>
    T Take() {
        T value{};
        const std::size_t count = std::min(sizeof(T), m_size - std::min(m_position, m_size));
        if (count > 0) {
            std::memcpy(&value, m_data + m_position, count);
        }
        m_position += sizeof(T);
        return value;
    }
    uint8_t Byte() { return Take<uint8_t>(); }
    // A value in 0 ... bound - 1 (bound > 0).
    std::size_t Below(std::size_t bound) { return Take<uint16_t>() % bound; }
    double Real() { return Take<double>(); }
    // A real as a hostile caller passes it: mostly the raw bytes, often one of the values that
    // break arithmetic (NaN, infinities, subnormal, huge, zero, negative, the missing marker).
    double Number(double missing) {
        static constexpr double kSpecial[] = {std::numeric_limits<double>::quiet_NaN(),
                                              std::numeric_limits<double>::infinity(),
                                              -std::numeric_limits<double>::infinity(),
                                              std::numeric_limits<double>::denorm_min(),
                                              1e-310,
                                              std::numeric_limits<double>::max(),
                                              -1.0,
                                              0.0,
                                              1.0,
                                              0.5,
                                              1e-5,
                                              1e-4};
        constexpr std::size_t kCount = sizeof kSpecial / sizeof kSpecial[0];
        const std::size_t pick = Byte();
        if (pick < kCount) {
            return kSpecial[pick];
        }
        if (pick == kCount) {
            return missing;
        }
        return pick < 128 ? Real() : static_cast<double>(pick - 128) * 1e-6;
    }
    // Up to `limit` reals, the count first.
    std::vector<double> Reals(std::size_t limit) {
        std::vector<double> values(Below(limit + 1));
        for (double& value : values) {
            value = Real();
        }
        return values;
    }
    // Up to `limit` bytes, the count first.
    std::string Text(std::size_t limit) {
        std::string text;
        const std::size_t length = Below(limit + 1);
        for (std::size_t i = 0; i < length && !Empty(); ++i) {
            text.push_back(static_cast<char>(Byte()));
        }
        return text;
    }

  private:
    const uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_position = 0;
};

}  // namespace brixel::fuzz
