// Pictures for the suites: a window's pixels captured from the screen, and
// PNG files written and read back through the system imaging component
// (WIC). Pixels are 32-bit BGRA values, top row first.
#pragma once

#include "hx/com_ptr.h"
#include "hx/result_macros.h"
#include "hx/win32_owners.h"

#include <windows.h>
#include <wincodec.h>

#include <string>
#include <vector>

namespace hxtest {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels; // 0x00RRGGBB, alpha cleared
    DWORD At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The client area of a window as it is on the screen (its children
// included), read through a memory bitmap; or, with print, as the window
// paints itself into the bitmap (PrintWindow).
inline Picture CaptureClient(HWND window, bool print = false) {
    Picture picture;
    RECT client = {};
    GetClientRect(window, &client);
    picture.width = client.right;
    picture.height = client.bottom;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const HDC screen = GetDC(window);
    hx::unique_hdc memory(CreateCompatibleDC(screen));
    hx::unique_hbitmap bitmap(
        CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
    if (print)
        PrintWindow(window, memory.get(), PW_CLIENTONLY);
    else
        BitBlt(memory.get(), 0, 0, picture.width, picture.height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* words = static_cast<const DWORD*>(bits);
    for (size_t i = 0; bits && i < static_cast<size_t>(picture.width) * picture.height; ++i)
        picture.pixels.push_back(words[i] & 0x00FFFFFF);
    SelectObject(memory.get(), old);
    ReleaseDC(window, screen);
    return picture;
}

inline HRESULT WritePng(const std::wstring& path, const Picture& picture) {
    hx::com_ptr<IWICImagingFactory> factory;
    RETURN_IF_FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IWICImagingFactory, factory.put_void()));
    hx::com_ptr<IWICStream> stream;
    RETURN_IF_FAILED(factory->CreateStream(stream.put()));
    RETURN_IF_FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE));
    hx::com_ptr<IWICBitmapEncoder> encoder;
    RETURN_IF_FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put()));
    RETURN_IF_FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache));
    hx::com_ptr<IWICBitmapFrameEncode> frame;
    RETURN_IF_FAILED(encoder->CreateNewFrame(frame.put(), nullptr));
    RETURN_IF_FAILED(frame->Initialize(nullptr));
    RETURN_IF_FAILED(
        frame->SetSize(static_cast<UINT>(picture.width), static_cast<UINT>(picture.height)));
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
    RETURN_IF_FAILED(frame->SetPixelFormat(&format));
    RETURN_HR_IF(E_UNEXPECTED, !IsEqualGUID(format, GUID_WICPixelFormat32bppBGR));
    std::vector<DWORD> pixels = picture.pixels;
    const UINT stride = static_cast<UINT>(picture.width) * 4;
    RETURN_IF_FAILED(frame->WritePixels(static_cast<UINT>(picture.height), stride,
                                        stride * static_cast<UINT>(picture.height),
                                        reinterpret_cast<BYTE*>(pixels.data())));
    RETURN_IF_FAILED(frame->Commit());
    return encoder->Commit();
}

inline HRESULT ReadPng(const std::wstring& path, Picture& picture) {
    hx::com_ptr<IWICImagingFactory> factory;
    RETURN_IF_FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IWICImagingFactory, factory.put_void()));
    hx::com_ptr<IWICBitmapDecoder> decoder;
    RETURN_IF_FAILED(factory->CreateDecoderFromFilename(
        path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, decoder.put()));
    hx::com_ptr<IWICBitmapFrameDecode> frame;
    RETURN_IF_FAILED(decoder->GetFrame(0, frame.put()));
    hx::com_ptr<IWICBitmapSource> converted;
    RETURN_IF_FAILED(
        WICConvertBitmapSource(GUID_WICPixelFormat32bppBGR, frame.get(), converted.put()));
    UINT width = 0, height = 0;
    RETURN_IF_FAILED(converted->GetSize(&width, &height));
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.pixels.assign(static_cast<size_t>(width) * height, 0);
    RETURN_IF_FAILED(converted->CopyPixels(nullptr, width * 4, width * height * 4,
                                           reinterpret_cast<BYTE*>(picture.pixels.data())));
    for (DWORD& pixel : picture.pixels)
        pixel &= 0x00FFFFFF;
    return S_OK;
}

} // namespace hxtest
