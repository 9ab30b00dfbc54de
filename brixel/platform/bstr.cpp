#include "brixel/platform/bstr.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "brixel/framework/status.h"

namespace {

// The byte count sits in the 4 bytes before the first character, as on the platform.
using ByteCount = uint32_t;
constexpr std::size_t kPrefixBytes = sizeof(ByteCount);
constexpr std::size_t kMaxCharacters =
    (std::numeric_limits<ByteCount>::max() - sizeof(OLECHAR)) / sizeof(OLECHAR);

std::byte* BlockOf(BSTR text) {
    return reinterpret_cast<std::byte*>(text) - kPrefixBytes;
}

// A block for length characters plus the NUL, characters zeroed; null when it cannot be had.
BSTR AllocateCharacters(std::size_t length) noexcept {
    if (length > kMaxCharacters) {
        return nullptr;
    }
    const std::size_t bytes = length * sizeof(OLECHAR);
    void* block = std::calloc(1, kPrefixBytes + bytes + sizeof(OLECHAR));
    if (!block) {
        return nullptr;
    }
    const auto count = static_cast<ByteCount>(bytes);
    std::memcpy(block, &count, sizeof(count));
    return reinterpret_cast<BSTR>(static_cast<std::byte*>(block) + kPrefixBytes);
}

BSTR CopyCharacters(const OLECHAR* text, std::size_t length) noexcept {
    BSTR copy = AllocateCharacters(length);
    if (copy && text && length > 0) {
        std::memcpy(copy, text, length * sizeof(OLECHAR));
    }
    return copy;
}

OLECHAR WidenByte(char byte) {
    return static_cast<OLECHAR>(static_cast<unsigned char>(byte));
}

char NarrowCharacter(OLECHAR character) {
    return character >= 0 && character <= 0xFF ? static_cast<char>(character) : '?';
}

std::string Narrow(const OLECHAR* text, std::size_t length) {
    std::string out(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        out[i] = NarrowCharacter(text[i]);
    }
    return out;
}

bool IsAsciiLower(OLECHAR c) {
    return c >= L'a' && c <= L'z';
}
bool IsAsciiUpper(OLECHAR c) {
    return c >= L'A' && c <= L'Z';
}

}  // namespace

BSTR SysAllocString(const OLECHAR* text) noexcept {
    return text ? CopyCharacters(text, std::char_traits<OLECHAR>::length(text)) : nullptr;
}

BSTR SysAllocStringLen(const OLECHAR* text, unsigned int length) noexcept {
    return CopyCharacters(text, length);
}

void SysFreeString(BSTR text) noexcept {
    if (text) {
        std::free(BlockOf(text));
    }
}

unsigned int SysStringByteLen(BSTR text) noexcept {
    if (!text) {
        return 0;
    }
    ByteCount count = 0;
    std::memcpy(&count, BlockOf(text), sizeof(count));
    return count;
}

unsigned int SysStringLen(BSTR text) noexcept {
    return SysStringByteLen(text) / static_cast<unsigned int>(sizeof(OLECHAR));
}

// ---- CComBSTR ----

CComBSTR::CComBSTR(const OLECHAR* text) : m_str(SysAllocString(text)) {
    if (text && !m_str) {
        throw std::bad_alloc();
    }
}

CComBSTR::CComBSTR(unsigned int length, const OLECHAR* text)
    : m_str(SysAllocStringLen(text, length)) {
    if (!m_str) {
        throw std::bad_alloc();
    }
}

CComBSTR::CComBSTR(const char* text) : m_str(text ? brixel::AllocBstr(text) : nullptr) {
    if (text && !m_str) {
        throw std::bad_alloc();
    }
}

CComBSTR::CComBSTR(const CComBSTR& other) : m_str(other.Copy()) {}

CComBSTR& CComBSTR::operator=(const CComBSTR& other) {
    if (this != std::addressof(other)) {
        Attach(other.Copy());
    }
    return *this;
}

CComBSTR& CComBSTR::operator=(CComBSTR&& other) noexcept {
    if (this != std::addressof(other)) {
        Attach(other.Detach());
    }
    return *this;
}

CComBSTR& CComBSTR::operator=(const OLECHAR* text) {
    if (text != m_str) {
        *this = CComBSTR(text);
    }
    return *this;
}

CComBSTR& CComBSTR::operator=(const char* text) {
    return *this = CComBSTR(text);
}

BSTR CComBSTR::Copy() const {
    if (!m_str) {
        return nullptr;
    }
    BSTR copy = SysAllocStringLen(m_str, Length());
    if (!copy) {
        throw std::bad_alloc();
    }
    return copy;
}

long CComBSTR::CopyTo(BSTR* target) const {
    if (!target) {
        return brixel::kStatusNullPointer;
    }
    *target = m_str ? SysAllocStringLen(m_str, Length()) : nullptr;
    return m_str && !*target ? brixel::kStatusFail : brixel::kStatusOk;
}

void CComBSTR::Attach(BSTR text) noexcept {
    if (text != m_str) {
        SysFreeString(m_str);
        m_str = text;
    }
}

BSTR CComBSTR::Detach() noexcept {
    BSTR text = m_str;
    m_str = nullptr;
    return text;
}

void CComBSTR::Empty() noexcept {
    SysFreeString(m_str);
    m_str = nullptr;
}

long CComBSTR::AppendCharacters(const OLECHAR* text, std::size_t length) {
    if (length == 0) {
        return brixel::kStatusOk;
    }
    const std::size_t current = Length();
    if (length > kMaxCharacters - current) {
        return brixel::kStatusFail;
    }
    BSTR joined = AllocateCharacters(current + length);
    if (!joined) {
        return brixel::kStatusFail;
    }
    if (current > 0) {
        std::memcpy(joined, m_str, current * sizeof(OLECHAR));
    }
    // text may point into m_str, so it is copied before m_str is freed.
    std::memcpy(joined + current, text, length * sizeof(OLECHAR));
    Attach(joined);
    return brixel::kStatusOk;
}

long CComBSTR::Append(const CComBSTR& other) {
    return AppendBSTR(other.m_str);
}

long CComBSTR::Append(const OLECHAR* text) {
    return text ? AppendCharacters(text, std::char_traits<OLECHAR>::length(text))
                : brixel::kStatusOk;
}

long CComBSTR::Append(const char* text) {
    if (!text) {
        return brixel::kStatusOk;
    }
    const std::size_t length = std::strlen(text);
    std::wstring wide(length, L'\0');
    for (std::size_t i = 0; i < length; ++i) {
        wide[i] = WidenByte(text[i]);
    }
    return AppendCharacters(wide.data(), length);
}

long CComBSTR::AppendBSTR(BSTR text) {
    return AppendCharacters(text, SysStringLen(text));
}

CComBSTR& CComBSTR::operator+=(const CComBSTR& other) {
    if (Append(other) != brixel::kStatusOk) {
        throw std::bad_alloc();
    }
    return *this;
}

CComBSTR& CComBSTR::operator+=(const OLECHAR* text) {
    if (Append(text) != brixel::kStatusOk) {
        throw std::bad_alloc();
    }
    return *this;
}

long CComBSTR::ToUpper() noexcept {
    for (unsigned int i = 0, n = Length(); i < n; ++i) {
        if (IsAsciiLower(m_str[i])) {
            m_str[i] = static_cast<OLECHAR>(m_str[i] - L'a' + L'A');
        }
    }
    return brixel::kStatusOk;
}

long CComBSTR::ToLower() noexcept {
    for (unsigned int i = 0, n = Length(); i < n; ++i) {
        if (IsAsciiUpper(m_str[i])) {
            m_str[i] = static_cast<OLECHAR>(m_str[i] - L'A' + L'a');
        }
    }
    return brixel::kStatusOk;
}

bool CComBSTR::operator==(const CComBSTR& other) const noexcept {
    const unsigned int length = Length();
    return length == other.Length() &&
           (length == 0 || std::memcmp(m_str, other.m_str, length * sizeof(OLECHAR)) == 0);
}

bool CComBSTR::operator==(const OLECHAR* text) const noexcept {
    const std::size_t length = text ? std::char_traits<OLECHAR>::length(text) : 0;
    return length == Length() &&
           (length == 0 || std::memcmp(m_str, text, length * sizeof(OLECHAR)) == 0);
}

// ---- narrow conversions ----

namespace brixel {

std::string ToStdString(BSTR text) {
    return text ? Narrow(text, SysStringLen(text)) : "";
}

CString ToCString(BSTR text) {
    return CString(ToStdString(text));
}

std::string NarrowText(const OLECHAR* text) {
    return text ? Narrow(text, std::char_traits<OLECHAR>::length(text)) : "";
}

BSTR AllocBstr(std::string_view text) {
    BSTR wide = AllocateCharacters(text.size());
    if (wide) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            wide[i] = WidenByte(text[i]);
        }
    }
    return wide;
}

BSTR AllocBstr(const char* text) {
    return text ? AllocBstr(std::string_view(text)) : nullptr;
}

bool BstrEquals(BSTR wide, std::string_view narrow) noexcept {
    if (SysStringLen(wide) != narrow.size()) {
        return false;
    }
    for (std::size_t i = 0; i < narrow.size(); ++i) {
        if (wide[i] != WidenByte(narrow[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace brixel
