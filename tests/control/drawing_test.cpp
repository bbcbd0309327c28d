// What the control looks like: drawn by a container into a memory bitmap,
// and on a form at design time, captured from the screen and kept as a PNG
// in the build tree (artefacts/hxdigio-design-time.png).
#include "ControlIcon.h"
#include "ControlTestSupport.h"
#include "OleTestContainer.h"

using namespace hxtest;

namespace {

using Drawing = ControlTest;

constexpr DWORD kBackground = 0x00123456;
constexpr DWORD kWhite = 0x00FFFFFF;

// A picture of a container's memory bitmap after the control drew into it.
Picture DrawInto(IViewObject* view, int width, int height, const RECTL& bounds, HRESULT& hr) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    hx::unique_hdc dc(CreateCompatibleDC(nullptr));
    hx::unique_hbitmap bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const HGDIOBJ old = SelectObject(dc.get(), bitmap.get());
    auto* words = static_cast<DWORD*>(bits);
    std::fill(words, words + width * height, kBackground);
    hr = view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.get(), &bounds, nullptr,
                    nullptr, 0);
    GdiFlush();
    for (int i = 0; i < width * height; ++i)
        picture.pixels.push_back(words[i] & 0x00FFFFFF);
    SelectObject(dc.get(), old);
    return picture;
}

TEST_F(Drawing, TheIconIsDrawnIntoTheTopLeft32PixelsAndNothingOutside) {
    const std::vector<DWORD> icon = IconPixels(module.handle.get());
    ASSERT_EQ(1024u, icon.size());
    const auto view = control.query<IViewObject>(IID_IViewObject);
    HRESULT hr = E_FAIL;
    const Picture drawn = DrawInto(view.get(), 64, 80, RECTL{0, 0, 64, 80}, hr);
    ASSERT_EQ(S_OK, hr);
    EXPECT_GT(ExpectIconAt(drawn, icon, 0, 0, &kBackground), 900);
    for (int y = 0; y < drawn.height; ++y) {
        for (int x = 0; x < drawn.width; ++x) {
            if (x >= 32 || y >= 32) {
                ASSERT_EQ(kBackground, drawn.At(x, y)) << x << "," << y;
            }
        }
    }

    // Drawing sets the control's size to its one size.
    SIZEL extent = {};
    ASSERT_EQ(S_OK,
              control.query<IOleObject>(IID_IOleObject)->GetExtent(DVASPECT_CONTENT, &extent));
    EXPECT_EQ(MulDiv(32, 2540, 96), extent.cx);
    EXPECT_EQ(MulDiv(32, 2540, 96), extent.cy);

    // A device context or bounds that are not there draw nothing.
    for (const RECTL bad : {RECTL{0, 0, 0, 80}, RECTL{10, 10, 5, 20}}) {
        const Picture untouched = DrawInto(view.get(), 40, 40, bad, hr);
        EXPECT_EQ(E_INVALIDARG, hr);
        EXPECT_EQ(std::vector<DWORD>(1600, kBackground), untouched.pixels);
    }
    const RECTL bounds = {0, 0, 32, 32};
    EXPECT_EQ(E_INVALIDARG, view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr,
                                       &bounds, nullptr, nullptr, 0));
}

TEST_F(Drawing, AtDesignTimeTheFormShowsTheIconWhereTheControlIs) {
    const std::vector<DWORD> icon = IconPixels(module.handle.get());
    ASSERT_EQ(1024u, icon.size());
    TestContainer container;
    container.site->SetUserMode(false);
    ASSERT_EQ(S_OK, container.Place(control.get()));
    const HWND window = container.ControlWindow();
    ASSERT_TRUE(IsWindowVisible(window));
    RedrawWindow(container.site->form, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    const Picture shot = CaptureClient(container.site->form);
    ASSERT_EQ(320, shot.width);

    // The screenshot is kept, and what is kept is what was seen.
    const std::string folder = BinDirectory() + "\\..\\artefacts";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "\\hxdigio-design-time.png";
    const std::wstring widePath(path.begin(), path.end());
    ASSERT_EQ(S_OK, WritePng(widePath, shot));
    Picture kept;
    ASSERT_EQ(S_OK, ReadPng(widePath, kept));
    EXPECT_EQ(shot.width, kept.width);
    EXPECT_EQ(shot.pixels, kept.pixels);

    // The icon at the control's place; white form everywhere else, also
    // where the control lay before it took its size.
    const RECT& place = container.site->rcPos;
    EXPECT_GT(ExpectIconAt(shot, icon, place.left, place.top, nullptr), 800);
    int white = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            if (x >= place.left && x < place.left + 32 && y >= place.top && y < place.top + 32)
                continue;
            EXPECT_EQ(kWhite, shot.At(x, y)) << x << "," << y;
            white += shot.At(x, y) == kWhite;
            if (HasFailure()) return;
        }
    }
    EXPECT_EQ(320 * 200 - 32 * 32, white);
    container.Remove();
    EXPECT_FALSE(IsWindow(window));
}

} // namespace
