// hx::unique_any: sole ownership of one Win32 resource, closed exactly once by
// the close function given as a template argument. A new kind of owner is one
// line (see win32_owners.h):
//
//   using unique_hkey = unique_any<HKEY, &::RegCloseKey>;
//
//   hx::unique_hkey key;
//   if (RegOpenKeyExA(root, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS) use(key.get());
//
// put() drops what is held and hands out the slot, so the resource passes from
// the call into the owner with nothing in between. Moves transfer ownership;
// copies are not allowed.
#pragma once

#include <type_traits>
#include <utility>

namespace hx {

// The value that means "nothing held": null for pointers and handles, unless
// a traits class says otherwise (INVALID_HANDLE_VALUE for files).
template <class T> struct null_invalid {
    static T value() noexcept { return T{}; }
};

template <class T, auto Close, class Invalid = null_invalid<T>> class unique_any {
public:
    using pointer = T;

    unique_any() noexcept = default;
    explicit unique_any(T value) noexcept : m_value(value) {}
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    unique_any(unique_any&& other) noexcept : m_value(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~unique_any() { reset(); }

    T get() const noexcept { return m_value; }
    bool is_valid() const noexcept { return m_value != Invalid::value(); }
    explicit operator bool() const noexcept { return is_valid(); }

    // Closes what is held (if anything) and takes the new value.
    void reset(T value = Invalid::value()) noexcept {
        const T old = std::exchange(m_value, value);
        if (old != Invalid::value()) Close(old);
    }
    // Gives up ownership without closing.
    [[nodiscard]] T release() noexcept { return std::exchange(m_value, Invalid::value()); }
    // For out-parameters: closes what is held and exposes the empty slot.
    T* put() noexcept {
        reset();
        return &m_value;
    }
    // The slot as it stands, for APIs that read an array of handles.
    const T* addressof() const noexcept { return &m_value; }

    void swap(unique_any& other) noexcept { std::swap(m_value, other.m_value); }

private:
    T m_value = Invalid::value();
};

} // namespace hx
