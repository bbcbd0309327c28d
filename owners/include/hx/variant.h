// hx::unique_variant: holds one VARIANT (it does not derive from one) and
// clears it exactly once. The VARIANT's contents (a BSTR, an interface, an
// array) are owned with it.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

namespace hx {

class unique_variant {
public:
    unique_variant() noexcept { VariantInit(&m_value); }
    unique_variant(const unique_variant&) = delete;
    unique_variant& operator=(const unique_variant&) = delete;
    unique_variant(unique_variant&& other) noexcept : unique_variant() {
        std::swap(m_value, other.m_value);
    }
    unique_variant& operator=(unique_variant&& other) noexcept {
        if (this != &other) {
            reset();
            std::swap(m_value, other.m_value);
        }
        return *this;
    }
    ~unique_variant() { reset(); }

    const VARIANT& get() const noexcept { return m_value; }
    VARTYPE vt() const noexcept { return m_value.vt; }
    // For reading and filling in place (the contents stay owned here).
    VARIANT* addressof() noexcept { return &m_value; }
    // For out-parameters: clears what is held and exposes the empty VARIANT.
    VARIANT* put() noexcept {
        reset();
        return &m_value;
    }
    void reset() noexcept {
        VariantClear(&m_value);
        VariantInit(&m_value);
    }
    // Hands the VARIANT and its contents to the caller.
    [[nodiscard]] VARIANT release() noexcept {
        VARIANT out = m_value;
        VariantInit(&m_value);
        return out;
    }

private:
    VARIANT m_value;
};

} // namespace hx
