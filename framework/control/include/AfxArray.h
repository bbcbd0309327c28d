// CArray<TYPE, ARG_TYPE>: a growable array of values with the framework's
// failure rules. An index outside the array (a removal from an empty one
// included) or a negative size throws CInvalidArgException; an allocation
// that fails throws CMemoryException. The array is left as it was when either
// is thrown (for elements that copy without throwing, as pointers do).
//
// Like the framework's other containers it does not copy: an array of owning
// pointers copied by accident would delete its elements twice.
#pragma once

#include "AfxException.h"

#include <windows.h>

#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

template <class TYPE, class ARG_TYPE = const TYPE&> class CArray {
public:
    CArray() = default;
    CArray(const CArray&) = delete;
    CArray& operator=(const CArray&) = delete;

    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_data.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    BOOL IsEmpty() const { return m_data.empty() ? TRUE : FALSE; }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }

    // Cuts from the end, or grows with value-initialised elements (null for
    // pointers).
    void SetSize(INT_PTR nNewSize) {
        if (nNewSize < 0) AfxThrowInvalidArgException();
        Allocating([&] { m_data.resize(static_cast<size_t>(nNewSize)); });
    }

    const TYPE& GetAt(INT_PTR nIndex) const { return m_data[Checked(nIndex)]; }
    TYPE& ElementAt(INT_PTR nIndex) { return m_data[Checked(nIndex)]; }
    void SetAt(INT_PTR nIndex, ARG_TYPE newElement) { m_data[Checked(nIndex)] = newElement; }
    const TYPE& operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
    TYPE& operator[](INT_PTR nIndex) { return ElementAt(nIndex); }

    // Appends; gives the new element's index.
    INT_PTR Add(ARG_TYPE newElement) {
        Allocating([&] { m_data.push_back(newElement); });
        return GetUpperBound();
    }
    // Inserts nCount copies before nIndex. An index past the end first grows
    // the array to it, as SetSize would.
    void InsertAt(INT_PTR nIndex, ARG_TYPE newElement, INT_PTR nCount = 1) {
        if (nIndex < 0 || nCount <= 0) AfxThrowInvalidArgException();
        if (nIndex <= GetSize()) {
            Allocating([&] {
                m_data.insert(m_data.begin() + nIndex, static_cast<size_t>(nCount), newElement);
            });
            return;
        }
        // Copied first: growing may move the element it refers to. The room
        // is taken in one step, so a failure leaves the array untouched.
        const TYPE element = newElement;
        Allocating([&] {
            if (nCount > PTRDIFF_MAX - nIndex) throw std::length_error("CArray::InsertAt");
            m_data.reserve(static_cast<size_t>(nIndex + nCount));
        });
        m_data.resize(static_cast<size_t>(nIndex));
        m_data.insert(m_data.end(), static_cast<size_t>(nCount), element);
    }
    // Removes nCount elements from nIndex on; all of them must be there.
    void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1) {
        if (nIndex < 0 || nCount < 0 || nIndex > GetSize() || nCount > GetSize() - nIndex)
            AfxThrowInvalidArgException();
        m_data.erase(m_data.begin() + nIndex, m_data.begin() + nIndex + nCount);
    }
    void RemoveAll() { m_data.clear(); }

private:
    size_t Checked(INT_PTR nIndex) const {
        if (nIndex < 0 || nIndex >= GetSize()) AfxThrowInvalidArgException();
        return static_cast<size_t>(nIndex);
    }
    // Runs a step that allocates, turning the library's allocation failures
    // into the framework's.
    template <class Step> void Allocating(Step step) {
        try {
            step();
        } catch (const std::bad_alloc&) {
            AfxThrowMemoryException();
        } catch (const std::length_error&) {
            AfxThrowMemoryException();
        }
    }

    std::vector<TYPE> m_data;
};
