#pragma once

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

// Narrow string of the exported signatures, with the surface of the platform's CString
// that the library uses. Positions out of range are clamped rather than asserted, so that
// a bad index never reads outside the text.
class CString {
  public:
    CString() = default;
    CString(const char* text) : m_str(text ? text : "") {}  // NOLINT: implicit like the platform
    CString(const std::string& text) : m_str(text) {}       // NOLINT
    CString(std::string_view text) : m_str(text) {}         // NOLINT
    CString(char ch, int count) : m_str(count > 0 ? static_cast<std::size_t>(count) : 0, ch) {}

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    const char* GetString() const { return m_str.c_str(); }
    operator const char*() const { return m_str.c_str(); }  // NOLINT
    const std::string& str() const { return m_str; }

    char GetAt(int index) const {
        if (index < 0 || index >= GetLength()) {
            throw std::out_of_range("CString::GetAt");
        }
        return m_str[static_cast<std::size_t>(index)];
    }
    char operator[](int index) const { return GetAt(index); }
    void SetAt(int index, char ch) {
        if (index < 0 || index >= GetLength()) {
            throw std::out_of_range("CString::SetAt");
        }
        m_str[static_cast<std::size_t>(index)] = ch;
    }

    CString& MakeUpper() {
        for (auto& ch : m_str) {
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        }
        return *this;
    }
    CString& MakeLower() {
        for (auto& ch : m_str) {
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        }
        return *this;
    }

    CString Left(int count) const { return Mid(0, count); }
    CString Right(int count) const {
        const int n = Clamp(count);
        return Mid(GetLength() - n, n);
    }
    CString Mid(int first) const { return Mid(first, GetLength()); }
    CString Mid(int first, int count) const {
        const int start = Clamp(first);
        const int n = count < 0 ? 0 : std::min(count, GetLength() - start);
        return CString(m_str.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(n)));
    }

    int Find(char ch, int start = 0) const { return Position(m_str.find(ch, Start(start))); }
    int Find(const char* text, int start = 0) const {
        return text ? Position(m_str.find(text, Start(start))) : -1;
    }
    int ReverseFind(char ch) const { return Position(m_str.rfind(ch)); }

    CString& TrimLeft() {
        std::size_t i = 0;
        while (i < m_str.size() && std::isspace(static_cast<unsigned char>(m_str[i]))) {
            ++i;
        }
        m_str.erase(0, i);
        return *this;
    }
    CString& TrimRight() {
        while (!m_str.empty() && std::isspace(static_cast<unsigned char>(m_str.back()))) {
            m_str.pop_back();
        }
        return *this;
    }
    CString& TrimLeft(char ch) {
        m_str.erase(0, m_str.find_first_not_of(ch) == std::string::npos
                           ? m_str.size()
                           : m_str.find_first_not_of(ch));
        return *this;
    }
    CString& TrimRight(char ch) {
        const auto last = m_str.find_last_not_of(ch);
        m_str.erase(last == std::string::npos ? 0 : last + 1);
        return *this;
    }
    CString& Trim() { return TrimRight().TrimLeft(); }

    int Replace(const char* from, const char* to) {
        if (!from || !*from) {
            return 0;
        }
        const std::string pattern(from);
        const std::string replacement(to ? to : "");
        int count = 0;
        for (std::size_t pos = m_str.find(pattern); pos != std::string::npos;
             pos = m_str.find(pattern, pos + replacement.size())) {
            m_str.replace(pos, pattern.size(), replacement);
            ++count;
        }
        return count;
    }

    int Compare(const char* other) const { return m_str.compare(other ? other : ""); }
    // Compares lower-cased text, so that '_' and the other characters between 'Z' and 'a'
    // sort before letters as on the platform.
    int CompareNoCase(const char* other) const {
        return CString(*this).MakeLower().Compare(CString(other).MakeLower());
    }

    void Format(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        m_str = VFormat(format, args);
        va_end(args);
    }
    void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        m_str += VFormat(format, args);
        va_end(args);
    }

    CString& operator+=(const CString& other) {
        m_str += other.m_str;
        return *this;
    }
    CString& operator+=(const char* other) {
        m_str += other ? other : "";
        return *this;
    }
    CString& operator+=(char ch) {
        m_str += ch;
        return *this;
    }
    friend CString operator+(CString left, const CString& right) { return left += right; }
    friend CString operator+(CString left, const char* right) { return left += right; }
    friend CString operator+(const char* left, const CString& right) {
        return CString(left) += right;
    }
    friend bool operator==(const CString& left, const CString& right) {
        return left.m_str == right.m_str;
    }
    friend bool operator==(const CString& left, const char* right) {
        return left.m_str == (right ? right : "");
    }
    friend bool operator<(const CString& left, const CString& right) {
        return left.m_str < right.m_str;
    }

  private:
    int Clamp(int value) const { return value < 0 ? 0 : std::min(value, GetLength()); }
    std::size_t Start(int start) const { return static_cast<std::size_t>(Clamp(start)); }
    static int Position(std::size_t pos) {
        return pos == std::string::npos ? -1 : static_cast<int>(pos);
    }
    static std::string VFormat(const char* format, va_list args) {
        if (!format) {
            return {};
        }
        va_list copy;
        va_copy(copy, args);
        const int size = std::vsnprintf(nullptr, 0, format, copy);
        va_end(copy);
        if (size <= 0) {
            return {};
        }
        std::string out(static_cast<std::size_t>(size) + 1, '\0');
        std::vsnprintf(out.data(), out.size(), format, args);
        out.resize(static_cast<std::size_t>(size));
        return out;
    }

    std::string m_str;
};
