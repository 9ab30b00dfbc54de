#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "brixel/framework/export.h"
#include "brixel/platform/com_types.h"
#include "brixel/platform/cstring.h"

// Wide strings of the exported signatures. A BSTR points at the first character of a block
// that carries its length in bytes in the 4 bytes before it and ends with a NUL character,
// so that embedded NULs survive and the length is known without scanning. A null BSTR is a
// valid empty string for every function here.
//
// Release rules: a BSTR handed to a function by value is released by that function; a BSTR
// returned or stored through an out pointer belongs to the caller, who frees it with
// SysFreeString. CComBSTR owns its string and frees it; Detach hands the string away.

// Copies text up to its NUL. Null text gives a null BSTR.
BRIXEL_API BSTR SysAllocString(const OLECHAR* text) noexcept;
// Copies length characters of text, which may hold NULs; null text gives length NULs.
// Null when the length does not fit the 32-bit byte count or memory runs out.
BRIXEL_API BSTR SysAllocStringLen(const OLECHAR* text, unsigned int length) noexcept;
BRIXEL_API void SysFreeString(BSTR text) noexcept;
// Length in characters, from the prefix; 0 for null.
BRIXEL_API unsigned int SysStringLen(BSTR text) noexcept;
// Length in bytes (characters times sizeof(OLECHAR)), from the prefix; 0 for null.
BRIXEL_API unsigned int SysStringByteLen(BSTR text) noexcept;

// Owner of one BSTR. Copies are deep; the destructor frees the string.
class BRIXEL_API CComBSTR {
  public:
    CComBSTR() noexcept = default;
    CComBSTR(const OLECHAR* text);  // NOLINT: implicit like the platform; copies up to NUL
    CComBSTR(unsigned int length, const OLECHAR* text);  // length characters, NULs kept
    CComBSTR(const char* text);                          // NOLINT: narrow bytes widened one to one
    CComBSTR(const CComBSTR& other);
    CComBSTR(CComBSTR&& other) noexcept : m_str(other.m_str) { other.m_str = nullptr; }
    ~CComBSTR() { SysFreeString(m_str); }

    CComBSTR& operator=(const CComBSTR& other);
    CComBSTR& operator=(CComBSTR&& other) noexcept;
    CComBSTR& operator=(const OLECHAR* text);
    CComBSTR& operator=(const char* text);

    unsigned int Length() const noexcept { return SysStringLen(m_str); }
    unsigned int ByteLength() const noexcept { return SysStringByteLen(m_str); }
    operator BSTR() const noexcept { return m_str; }  // NOLINT: the string stays owned here
    // Address of the owned pointer, for out arguments. The current string is not freed:
    // pass an empty CComBSTR, or the callee overwrites (and leaks) what it holds.
    BSTR* operator&() noexcept { return &m_str; }
    bool operator!() const noexcept { return m_str == nullptr; }

    // A new copy (length kept) that the caller owns; null for a null string.
    BSTR Copy() const;
    long CopyTo(BSTR* target) const;
    // Frees the current string and takes ownership of text.
    void Attach(BSTR text) noexcept;
    // Hands the string to the caller, who must free it; this object becomes null.
    BSTR Detach() noexcept;
    void Empty() noexcept;

    long Append(const CComBSTR& other);
    long Append(const OLECHAR* text);
    long Append(const char* text);
    long AppendBSTR(BSTR text);
    CComBSTR& operator+=(const CComBSTR& other);
    CComBSTR& operator+=(const OLECHAR* text);

    // Letters A-Z and a-z only; other characters are left as they are.
    long ToUpper() noexcept;
    long ToLower() noexcept;

    // Equal length and characters; a null string equals an empty one.
    bool operator==(const CComBSTR& other) const noexcept;
    // Compared up to the NUL of text; a null text equals an empty string.
    bool operator==(const OLECHAR* text) const noexcept;
    bool operator==(std::nullptr_t) const noexcept { return m_str == nullptr; }

    BSTR m_str = nullptr;

  private:
    long AppendCharacters(const OLECHAR* text, std::size_t length);
};

// Conversions between the library's narrow text and wide strings. Narrow text is a byte
// string: each byte becomes the character of the same code (0-255) and back, so any byte
// round-trips; a wide character above 255 narrows to '?'.
namespace brixel {

std::string ToStdString(BSTR text);
CString ToCString(BSTR text);
// Narrows a NUL-terminated wide text that need not be a BSTR; null gives "".
std::string NarrowText(const OLECHAR* text);
// A new BSTR that the caller owns; null only when memory runs out (or for null text).
BSTR AllocBstr(std::string_view text);
BSTR AllocBstr(const char* text);
// Wide text equals narrow text exactly (byte codes as characters, lengths equal).
bool BstrEquals(BSTR wide, std::string_view narrow) noexcept;

}  // namespace brixel
