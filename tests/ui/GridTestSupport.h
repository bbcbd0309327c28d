// The suites' stand-in for a property page: a dialog made from an in-memory
// template with one report-view list (id 206, the page's list styles),
// subclassed by a CWnd so that the list's notifications come back to the
// grid bound to it, and a capture of the list's pixels.
#pragma once

#include "AfxWnd.h"
#include "HxGridCtrl.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace gridtest {

constexpr UINT kListId = 206;
constexpr UINT kButtonId = 1;
constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT |
                             LVS_SINGLESEL | LVS_ALIGNLEFT | LVS_NOSORTHEADER;

// One custom-draw notification as the dialog saw it, the answer it gave the
// list after reflecting it to the grid, and whether the item was selected
// once the grid had answered (item stages only).
struct DrawStage {
    DWORD stage;
    int item;
    int subItem;
    LRESULT result;
    bool selectedAfter;
    bool operator==(const DrawStage&) const = default;
};

// The dialog: a CWnd over the dialog window, recording custom-draw stages.
class DialogHost : public CWnd {
public:
    // A visible dialog with the list (its size in dialog units) and, below
    // it, a button that can take the focus.
    explicit DialogHost(int listWidth = 180, int listHeight = 120);
    ~DialogHost() override;

    HWND List() const { return GetDlgItem(m_hWnd, kListId); }
    HWND Button() const { return GetDlgItem(m_hWnd, kButtonId); }

    std::vector<DrawStage> stages;
    bool recordStages = false;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Runs the thread's pending messages (paints included).
void Pump();

// The client area of a window in COLORREFs: painted into the picture by
// PrintWindow, or painted on the window (WM_PAINT) and copied from it.
class Picture {
public:
    enum class Source { Print, Screen };
    explicit Picture(HWND window, Source source = Source::Print);
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    COLORREF At(int x, int y) const;
    // The colour covering most pixels of the rectangle.
    COLORREF Dominant(const RECT& r) const;
    // Pixels of the rectangle that have exactly this colour.
    int Count(const RECT& r, COLORREF colour) const;
    // Pixels of the rectangle that differ from the colour.
    int CountOther(const RECT& r, COLORREF colour) const;
    // The columns from the leftmost to the rightmost pixel that differs
    // from the colour; 0 when none does.
    int InkWidth(const RECT& r, COLORREF background) const;
    // Writes a 24-bit BMP, for looking at a failure.
    void Save(const std::string& path) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<uint32_t> m_pixels; // 0x00RRGGBB, top-down
};

// The rectangle of a cell (sub-item) in client coordinates.
RECT CellRect(HWND list, int row, int subItem);
// A rectangle shrunk by the given margins.
RECT Inset(RECT r, int dx, int dy);

} // namespace gridtest
