#include <algorithm>

#include "host/substitute_host.h"

namespace brixel::host {

// 4 characters in the low 4 bytes of a word, first character in the lowest byte; the upper
// 4 bytes stay zero.
std::vector<int64_t> PackText(const std::string& text, int characters) {
    if (characters <= 0) {
        return {};
    }
    std::vector<int64_t> words((static_cast<std::size_t>(characters) + 3) / 4);
    for (std::size_t i = 0; i < words.size() * 4; ++i) {
        const bool inText = i < text.size() && i < static_cast<std::size_t>(characters);
        const auto byte = static_cast<unsigned char>(inText ? text[i] : ' ');
        words[i / 4] |= static_cast<int64_t>(byte) << (8 * (i % 4));
    }
    return words;
}

// Unwritten words (zero bytes) read as blanks, so that an empty record unpacks to "".
std::string UnpackText(const int64_t* words, int characters) {
    if (words == nullptr || characters <= 0) {
        return {};
    }
    std::string text(static_cast<std::size_t>(characters), ' ');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte =
            static_cast<char>((static_cast<uint64_t>(words[i / 4]) >> (8 * (i % 4))) & 0xFF);
        text[i] = byte == '\0' ? ' ' : byte;
    }
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

}  // namespace brixel::host
