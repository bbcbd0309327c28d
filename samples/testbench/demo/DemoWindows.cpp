// The demo's steps with windows of their own: the control's "Error" box,
// the property page in the system's frame, the about box, and the pictures.
// The modal windows are read and worked as a person sees them, from a
// helper thread (ModalDriver).
#include "Demo.h"

#include "Expectations.h"
#include "ModalDriver.h"
#include "app/BenchIds.h"
#include "app/Format.h"

#include <commctrl.h>

using namespace expect;

namespace {

// ---- the property page, read as a person sees it ----------------------------------

constexpr int kPageInputCount = 202, kPageOutputCount = 201;
constexpr int kPageInputs = 206, kPageOutputs = 207;

// The page inside the frame: the dialog that holds both lists.
HWND FindPage(HWND frame) {
    HWND found = nullptr;
    EnumChildWindows(
        frame,
        [](HWND window, LPARAM context) -> BOOL {
            if (!GetDlgItem(window, kPageInputs) || !GetDlgItem(window, kPageOutputs)) return TRUE;
            *reinterpret_cast<HWND*>(context) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string TextOf(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string Cell(HWND list, int row, int column) {
    char text[64] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

// A double-click on a row, as the mouse sends it to the list.
void DoubleClickRow(HWND list, int row) {
    SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&bounds));
    const LPARAM at =
        MAKELPARAM((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
    SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageA(list, WM_LBUTTONUP, 0, at);
}

// The static texts of a dialog (icons left out), joined with " | ".
std::string StaticTexts(HWND dialog) {
    std::string texts;
    for (HWND child = FindWindowExA(dialog, nullptr, "Static", nullptr); child;
         child = FindWindowExA(dialog, child, "Static", nullptr)) {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
        const std::string text = TextOf(child);
        if (!text.empty()) texts += (texts.empty() ? "" : " | ") + text;
    }
    return texts;
}

// Polls from a helper thread, twenty seconds at most.
bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 2000 && !condition(); ++i)
        Sleep(10);
    return condition();
}

} // namespace

void Demo::ImageWithoutDigIO() {
    Step("An image without digital I/O: refused, and the control's \"Error\" box");
    std::string box;
    const bool shown =
        modal::Drive([&] { Press(IDM_BIND_WITHOUT_DIGIO); }, modal::Captioned("Error"),
                     [&](HWND dialog) { box = StaticTexts(dialog); });
    const auto refused = Matching(ErrorWith(17, true));
    Check(refused.size() == 1 && refused[0].text == "Missing BasicDigIO interface!" &&
              refused[0].continuePreset && refused[0].continueAnswer,
          "HXKError(17, \"Missing BasicDigIO interface!\", Continue TRUE) came; the bench left "
          "Continue TRUE");
    Check(shown && box == "Missing BasicDigIO interface!",
          "so the control showed its modal \"Error\" box: \"" + box + "\" (closed with OK)");
    Check(m_bench.Property(L"Image") == reinterpret_cast<intptr_t>(m_bench.Image()),
          "the binding is unchanged");
}

void Demo::PropertyPage() {
    Step("The Properties verb: the control's property page in the system's frame");
    const int before = Output(0);
    std::string counts, inputRow;
    bool toggled = false, inputShown = false;
    screenshot::Picture picture;
    const HWND device = m_bench.Device().Window();
    const POINT switch12 = m_bench.Device().InputCentre(12);
    const bool worked = modal::Drive(
        [&] { Press(IDC_PROPERTIES); }, [](HWND dialog) { return FindPage(dialog) != nullptr; },
        [&](HWND frame) {
            const HWND page = FindPage(frame);
            counts = TextOf(GetDlgItem(page, kPageInputCount)) + " inputs, " +
                     TextOf(GetDlgItem(page, kPageOutputCount)) + " outputs";
            const HWND outputs = GetDlgItem(page, kPageOutputs);
            const HWND inputs = GetDlgItem(page, kPageInputs);
            DoubleClickRow(outputs, 0);
            toggled = Eventually([&] { return Output(0) != before; });
            // A switch flipped on the device shows in the page's inputs
            // within about 100 ms (its timer).
            SendMessageA(device, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(switch12.x, switch12.y));
            SendMessageA(device, WM_LBUTTONUP, 0, MAKELPARAM(switch12.x, switch12.y));
            inputShown = Eventually([&] { return Cell(inputs, 12, 1) == "HI"; });
            SendMessageA(inputs, LVM_ENSUREVISIBLE, 12, FALSE);
            inputRow = Cell(inputs, 12, 0) + " " + Cell(inputs, 12, 1);
            Sleep(m_options.brief ? 300 : 1200); // painted, and seen by a person watching
            picture = screenshot::OfWindow(frame);
        });
    Check(worked && m_bench.LastVerbResult() == S_OK,
          "DoVerb(OLEIVERB_PROPERTIES) showed the page and answered S_OK when the frame closed");
    Check(counts == std::to_string(m_options.inputs) + " inputs, " +
                        std::to_string(m_options.outputs) + " outputs",
          "the page shows " + counts);
    Check(toggled && Output(0) == (before ? 0 : 1),
          "a double-click on output row 0 toggled output 0 to " + format::Level(Output(0)));
    Check(inputShown, "input 12, flipped on the device while the page was open, shows in the "
                      "page's inputs list: row \"" +
                          inputRow + "\"");
    Save(picture, "property-page.png", "a picture of the property frame");
}

void Demo::AboutBox() {
    Step("The about box (AboutBox)");
    std::string texts;
    const bool shown = modal::Drive([&] { Press(IDC_ABOUT); },
                                    modal::Captioned("About Harlow Digital I/O Control"),
                                    [&](HWND dialog) {
                                        texts = StaticTexts(dialog);
                                        Sleep(m_options.brief ? 50 : 800);
                                    });
    Check(shown && texts.find("Harlow Digital I/O Control") != std::string::npos,
          "the box \"About Harlow Digital I/O Control\" says: " + texts);
}

void Demo::PictureOfTheBench() {
    Step("A picture of the bench");
    PumpFor(300);
    Save(screenshot::OfWindow(m_bench.Window()), "testbench.png", "a picture of the bench");
}
