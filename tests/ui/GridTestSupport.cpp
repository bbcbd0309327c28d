#include "GridTestSupport.h"

#include "WicPng.h"
#include "hx/win32_owners.h"

#include <cstdio>
#include <cstring>
#include <map>

namespace gridtest {

namespace {

// Builds an in-memory dialog template: words appended in order, items on
// DWORD boundaries, strings as UTF-16 (ASCII only here).
class TemplateWriter {
public:
    void Word(WORD w) { m_words.push_back(w); }
    void DWord(DWORD d) {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void Text(const char* text) {
        for (; *text; ++text)
            Word(static_cast<WORD>(static_cast<unsigned char>(*text)));
        Word(0);
    }
    void Align() {
        if (m_words.size() % 2) Word(0);
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

private:
    std::vector<WORD> m_words;
};

INT_PTR CALLBACK NoDialogProcedure(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

void InitListClasses() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)done;
}

// The top-level window the dialogs live in, as a page lives in its property
// frame. One for the whole run: a visible top-level window takes Wine's X11
// driver seconds to hide without a window manager, a child none.
HWND Frame() {
    static const HWND frame = CreateWindowExA(0, "STATIC", "grid tests", WS_POPUP | WS_VISIBLE, 0,
                                              0, 640, 480, nullptr, nullptr, nullptr, nullptr);
    return frame;
}

} // namespace

DialogHost::DialogHost(int listWidth, int listHeight) {
    InitListClasses();
    // An extended template, as the page's: its font has a weight (normal),
    // which the list's font then has too.
    TemplateWriter t;
    t.Word(1);      // version
    t.Word(0xFFFF); // extended
    t.DWord(0);     // help id
    t.DWord(0);     // extended style
    // A visible child in the page's font with the list and a button that can
    // take the focus from it.
    t.DWord(WS_CHILD | WS_VISIBLE | DS_SETFONT);
    t.Word(2);
    t.Word(10);
    t.Word(10);
    t.Word(static_cast<WORD>(listWidth + 20));
    t.Word(static_cast<WORD>(listHeight + 40));
    t.Word(0); // no menu
    t.Word(0); // the dialog class
    t.Text("grid test");
    t.Word(8);                                // points
    t.Word(FW_NORMAL);                        // weight
    t.Word(MAKEWORD(FALSE, DEFAULT_CHARSET)); // italic, character set
    t.Text("MS Sans Serif");
    auto item = [&t](DWORD style, int x, int y, int cx, int cy, UINT id, const char* cls,
                     const char* text) {
        t.Align();
        t.DWord(0); // help id
        t.DWord(0); // extended style
        t.DWord(style);
        t.Word(static_cast<WORD>(x));
        t.Word(static_cast<WORD>(y));
        t.Word(static_cast<WORD>(cx));
        t.Word(static_cast<WORD>(cy));
        t.DWord(id);
        t.Text(cls);
        t.Text(text);
        t.Word(0); // no creation data
    };
    item(kListStyle, 10, 10, listWidth, listHeight, kListId, "SysListView32", "");
    item(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 10, listHeight + 16, 40, 14, kButtonId,
         "Button", "OK");
    const HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), t.Get(), Frame(),
                                                   &NoDialogProcedure, 0);
    if (dialog) SubclassWindow(dialog);
}

DialogHost::~DialogHost() {
    if (m_hWnd) DestroyWindow();
}

LRESULT DialogHost::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!recordStages || message != WM_NOTIFY || header->code != static_cast<UINT>(NM_CUSTOMDRAW))
        return CWnd::WindowProc(message, wParam, lParam);
    const auto* cd = reinterpret_cast<const NMLVCUSTOMDRAW*>(lParam);
    // Read before the grid sees it: the grid may change the item's state.
    DrawStage seen = {cd->nmcd.dwDrawStage, static_cast<int>(cd->nmcd.dwItemSpec), cd->iSubItem, 0,
                      false};
    seen.result = CWnd::WindowProc(message, wParam, lParam);
    if (seen.stage & CDDS_ITEM)
        seen.selectedAfter = ::SendMessageA(header->hwndFrom, LVM_GETITEMSTATE, cd->nmcd.dwItemSpec,
                                            LVIS_SELECTED) != 0;
    stages.push_back(seen);
    return seen.result;
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

Picture::Picture(HWND window, Source source) {
    if (source == Source::Screen)
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    const hxtest::Picture picture = hxtest::CaptureClient(window, source == Source::Print);
    m_width = picture.width;
    m_height = picture.height;
    m_pixels.assign(picture.pixels.begin(), picture.pixels.end());
}

COLORREF Picture::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return CLR_INVALID;
    const uint32_t p = m_pixels[static_cast<size_t>(y) * m_width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

COLORREF Picture::Dominant(const RECT& r) const {
    std::map<COLORREF, int> counts;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            ++counts[At(x, y)];
    COLORREF best = CLR_INVALID;
    int most = 0;
    for (const auto& [colour, count] : counts)
        if (count > most) {
            best = colour;
            most = count;
        }
    return best;
}

int Picture::Count(const RECT& r, COLORREF colour) const {
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            count += At(x, y) == colour ? 1 : 0;
    return count;
}

int Picture::CountOther(const RECT& r, COLORREF colour) const {
    return (r.right - r.left) * (r.bottom - r.top) - Count(r, colour);
}

int Picture::InkWidth(const RECT& r, COLORREF background) const {
    int left = r.right, right = r.left - 1;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (At(x, y) != background) {
                if (x < left) left = x;
                if (x > right) right = x;
            }
    return right >= left ? right - left + 1 : 0;
}

void Picture::Save(const std::string& path) const {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    const int stride = (m_width * 3 + 3) & ~3;
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(stride * m_height);
    ih.biSize = sizeof ih;
    ih.biWidth = m_width;
    ih.biHeight = m_height; // bottom-up
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    std::fwrite(&fh, sizeof fh, 1, file);
    std::fwrite(&ih, sizeof ih, 1, file);
    std::vector<unsigned char> line(static_cast<size_t>(stride));
    for (int y = m_height - 1; y >= 0; --y) {
        for (int x = 0; x < m_width; ++x) {
            const COLORREF c = At(x, y);
            line[x * 3] = GetBValue(c);
            line[x * 3 + 1] = GetGValue(c);
            line[x * 3 + 2] = GetRValue(c);
        }
        std::fwrite(line.data(), 1, line.size(), file);
    }
    std::fclose(file);
}

RECT CellRect(HWND list, int row, int subItem) {
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&bounds));
    int x = bounds.left;
    for (int k = 0; k < subItem; ++k)
        x += static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(k), 0));
    const int width =
        static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(subItem), 0));
    return RECT{x, bounds.top, x + width, bounds.bottom};
}

RECT Inset(RECT r, int dx, int dy) {
    return RECT{r.left + dx, r.top + dy, r.right - dx, r.bottom - dy};
}

} // namespace gridtest
