// HXKImageRef: one reference on a toolkit image, taken with AddImageRef and
// dropped exactly once with ReleaseImageRef. Whoever keeps an image (the
// control's binding, each worker) keeps it through one of these.
#pragma once

#include "HXKToolkit.h"

#include <utility>

class HXKImageRef {
public:
    HXKImageRef() noexcept = default;
    // Takes a reference of its own on the image; none for image 0.
    explicit HXKImageRef(HXKIMAGE image) noexcept : m_image(image) {
        if (m_image) AddImageRef(m_image);
    }
    // Takes over a reference the caller already holds (the one a new image
    // comes with, say) instead of taking another.
    static HXKImageRef Adopt(HXKIMAGE image) noexcept {
        HXKImageRef adopted;
        adopted.m_image = image;
        return adopted;
    }
    HXKImageRef(const HXKImageRef&) = delete;
    HXKImageRef& operator=(const HXKImageRef&) = delete;
    HXKImageRef(HXKImageRef&& other) noexcept : m_image(std::exchange(other.m_image, nullptr)) {}
    HXKImageRef& operator=(HXKImageRef&& other) noexcept {
        if (this != &other) {
            Release();
            m_image = std::exchange(other.m_image, nullptr);
        }
        return *this;
    }
    ~HXKImageRef() { Release(); }

    HXKIMAGE Get() const noexcept { return m_image; }

    // Drops the reference (if one is held).
    void Release() noexcept {
        if (HXKIMAGE image = std::exchange(m_image, nullptr)) ReleaseImageRef(image);
    }
    // Drops the reference only while the toolkit still calls the image live:
    // a container that released the image once too often must not make the
    // holder release somebody else's reference. Either way nothing is held
    // afterwards.
    void ReleaseIfValid() noexcept {
        if (ImageHandleValid(m_image)) ReleaseImageRef(m_image);
        m_image = nullptr;
    }

private:
    HXKIMAGE m_image = nullptr;
};
