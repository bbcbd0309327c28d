#include "Screenshot.h"

#include "hx/com_ptr.h"
#include "hx/result_macros.h"
#include "hx/win32_owners.h"

#include <wincodec.h>

#include <algorithm>
#include <set>

namespace screenshot {

size_t Picture::Colours() const {
    return std::set<DWORD>(pixels.begin(), pixels.end()).size();
}

namespace {

Picture OfScreen(const RECT& bounds) {
    Picture picture;
    picture.width = bounds.right - bounds.left;
    picture.height = bounds.bottom - bounds.top;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    hx::unique_hdc memory(CreateCompatibleDC(screen));
    hx::unique_hbitmap bitmap(
        CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (memory && bitmap && bits) {
        const HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, picture.width, picture.height, screen, bounds.left, bounds.top,
               SRCCOPY);
        GdiFlush();
        const auto* words = static_cast<const DWORD*>(bits);
        picture.pixels.assign(words, words + static_cast<size_t>(picture.width) * picture.height);
        for (DWORD& pixel : picture.pixels)
            pixel &= 0x00FFFFFF;
        SelectObject(memory.get(), old);
    }
    ReleaseDC(nullptr, screen);
    return picture;
}

} // namespace

Picture OfWindow(HWND window) {
    RECT bounds = {};
    if (!GetClientRect(window, &bounds)) return Picture();
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&bounds), 2);
    MENUBARINFO menu = {};
    menu.cbSize = sizeof menu;
    if (GetMenu(window) && GetMenuBarInfo(window, OBJID_MENU, 0, &menu))
        bounds.top = std::min(bounds.top, menu.rcBar.top);
    // Only what is on the screen can be read from it.
    const RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                         GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                         GetSystemMetrics(SM_YVIRTUALSCREEN) +
                             GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    IntersectRect(&bounds, &bounds, &screen);
    return OfScreen(bounds);
}

HRESULT SavePng(const Picture& picture, const std::string& path) {
    RETURN_HR_IF(E_INVALIDARG, picture.pixels.empty());
    std::wstring widePath(path.size() + 1, L'\0');
    widePath.resize(static_cast<size_t>(MultiByteToWideChar(
        CP_ACP, 0, path.c_str(), -1, widePath.data(), static_cast<int>(widePath.size()))));
    RETURN_HR_IF(E_INVALIDARG, widePath.empty());
    hx::com_ptr<IWICImagingFactory> factory;
    RETURN_IF_FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IWICImagingFactory, factory.put_void()));
    hx::com_ptr<IWICStream> stream;
    RETURN_IF_FAILED(factory->CreateStream(stream.put()));
    RETURN_IF_FAILED(stream->InitializeFromFilename(widePath.c_str(), GENERIC_WRITE));
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
    std::vector<DWORD> pixels = picture.pixels; // WritePixels takes a non-const buffer
    const UINT stride = static_cast<UINT>(picture.width) * 4;
    RETURN_IF_FAILED(frame->WritePixels(static_cast<UINT>(picture.height), stride,
                                        stride * static_cast<UINT>(picture.height),
                                        reinterpret_cast<BYTE*>(pixels.data())));
    RETURN_IF_FAILED(frame->Commit());
    return encoder->Commit();
}

} // namespace screenshot
