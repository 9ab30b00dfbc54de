#pragma once

#include <cstddef>
#include <stdexcept>
#include <vector>

#include "brixel/platform/cstring.h"

// List of strings of the exported signatures, with the surface of the platform's
// CStringArray that the library uses. An index out of range throws std::out_of_range.
class CStringArray {
  public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    int GetCount() const { return GetSize(); }
    int GetUpperBound() const { return GetSize() - 1; }
    bool IsEmpty() const { return m_items.empty(); }
    void SetSize(int size) { m_items.resize(size > 0 ? static_cast<std::size_t>(size) : 0); }
    void RemoveAll() { m_items.clear(); }

    int Add(const CString& item) {
        m_items.push_back(item);
        return GetSize() - 1;
    }
    const CString& GetAt(int index) const { return m_items.at(Index(index)); }
    CString& ElementAt(int index) { return m_items.at(Index(index)); }
    void SetAt(int index, const CString& item) { m_items.at(Index(index)) = item; }
    const CString& operator[](int index) const { return GetAt(index); }
    CString& operator[](int index) { return ElementAt(index); }

    void InsertAt(int index, const CString& item) {
        if (index < 0 || index > GetSize()) {
            throw std::out_of_range("CStringArray::InsertAt");
        }
        m_items.insert(m_items.begin() + index, item);
    }
    void RemoveAt(int index, int count = 1) {
        if (index < 0 || count < 0 || index > GetSize() || count > GetSize() - index) {
            throw std::out_of_range("CStringArray::RemoveAt");
        }
        m_items.erase(m_items.begin() + index, m_items.begin() + index + count);
    }

  private:
    static std::size_t Index(int index) {
        return index < 0 ? static_cast<std::size_t>(-1) : static_cast<std::size_t>(index);
    }

    std::vector<CString> m_items;
};
