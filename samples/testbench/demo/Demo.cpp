#include "Demo.h"

#include "ModalDriver.h"
#include "app/BenchIds.h"
#include "app/Format.h"

#include "HXDigIODispIds.h"
#include "HXKSim.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

using format::Hex;

namespace {

// ---- what the demo expects ----------------------------------------------------

std::function<bool(const ReceivedEvent&)> Is(DISPID id) {
    return [id](const ReceivedEvent& e) { return e.id == id; };
}

std::function<bool(const ReceivedEvent&)> From(DISPID id, LONGLONG worker) {
    return [id, worker](const ReceivedEvent& e) { return e.id == id && e.worker == worker; };
}

std::function<bool(const ReceivedEvent&)> ErrorWith(LONGLONG code, bool onWindowThread) {
    return [code, onWindowThread](const ReceivedEvent& e) {
        return e.id == HXEVENTID_HXKERROR && e.value == code && e.onWindowThread == onWindowThread;
    };
}

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

// Makes a folder and every folder above it that is missing.
void CreateFolders(const std::string& path) {
    for (size_t at = path.find_first_of("\\/", 3); at != std::string::npos;
         at = path.find_first_of("\\/", at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

// Polls from a helper thread, twenty seconds at most.
bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 2000 && !condition(); ++i)
        Sleep(10);
    return condition();
}

} // namespace

Demo::Demo(Bench& bench, const Options& options) : m_bench(bench), m_options(options) {
    m_bench.Observe([this](const ReceivedEvent& event) { Record(event); });
}

// ---- recording, waiting, checking -----------------------------------------------------

void Demo::Record(const ReceivedEvent& event) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_events.push_back(event);
}

std::vector<ReceivedEvent> Demo::Matching(const EventTest& test) {
    std::lock_guard<std::mutex> hold(m_lock);
    std::vector<ReceivedEvent> found;
    std::copy_if(m_events.begin() + static_cast<ptrdiff_t>(m_stepStart), m_events.end(),
                 std::back_inserter(found), test);
    return found;
}

void Demo::PumpFor(DWORD milliseconds) {
    const ULONGLONG until = GetTickCount64() + milliseconds;
    for (;;) {
        // Bounded in time as well: workers may keep the queue busy for ever.
        MSG msg;
        while (GetTickCount64() < until && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= until) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  static_cast<DWORD>(std::min<ULONGLONG>(until - now, 10)),
                                  QS_ALLINPUT);
    }
}

bool Demo::WaitFor(const std::function<bool()>& condition, DWORD milliseconds) {
    const ULONGLONG until = GetTickCount64() + milliseconds;
    while (!condition() && GetTickCount64() < until)
        PumpFor(5);
    return condition();
}

void Demo::Pause() {
    PumpFor(m_options.brief ? 20 : 500);
}

void Demo::Step(const std::string& title) {
    PumpFor(20); // what the last step logged is shown first
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_stepStart = m_events.size();
    }
    m_bench.Log().Add(LogKind::Step, title);
    Pause();
}

bool Demo::Check(bool ok, const std::string& what) {
    ++m_checks;
    if (!ok) ++m_failures;
    m_bench.Log().Add(ok ? LogKind::Pass : LogKind::Fail, what);
    return ok;
}

void Demo::ClickInput(int line) {
    const HWND device = m_bench.Device().Window();
    const POINT at = m_bench.Device().InputCentre(line);
    SendMessageA(device, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageA(device, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

int Demo::Input(int line) const {
    int32_t level = -1;
    HXKSimGetInput(m_bench.Image(), line, &level);
    return level;
}

int Demo::Output(int line) const {
    int32_t level = -1;
    HXKSimGetOutput(m_bench.Image(), line, &level);
    return level;
}

Demo::Pulse Demo::LastPulse(int line) const {
    Pulse pulse;
    int32_t levels[2] = {-1, -1};
    int64_t counts[2] = {0, 0};
    const int32_t writes = HXKSimOutputWrites(m_bench.Image(), line, levels, 2);
    if (writes < 2 || HXKSimOutputWriteTimes(m_bench.Image(), line, counts, 2) < 2) return pulse;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    pulse.first = levels[0];
    pulse.second = levels[1];
    pulse.milliseconds = static_cast<double>(counts[1] - counts[0]) * 1000.0 /
                         static_cast<double>(frequency.QuadPart);
    return pulse;
}

void Demo::Save(const screenshot::Picture& picture, const std::string& name,
                const std::string& what) {
    const std::string path = m_options.shotsFolder + "\\" + name;
    const HRESULT saved = screenshot::SavePng(picture, path);
    // A real picture of a form has many colours; a failed capture has one.
    const bool ok = SUCCEEDED(saved) && picture.Colours() > 8;
    char size[64];
    std::snprintf(size, sizeof size, " (%d x %d pixels, %zu colours)", picture.width,
                  picture.height, picture.Colours());
    Check(ok,
          what + " saved as " + path + (SUCCEEDED(saved) ? size : ": " + format::Result(saved)));
}

// ---- the session ------------------------------------------------------------------------

int Demo::Run() {
    CreateFolders(m_options.shotsFolder);
    m_bench.Log().Add(LogKind::Note, "demo: a scripted session; each step says what it does, "
                                     "each check PASS or FAIL");
    BindTheImage();
    ReadAndWriteLines();
    EventsOnWorkerThreads();
    BitListener();
    DWORDListener();
    TogglerPulses(false);
    TogglerPulses(true);
    ReadFailures();
    PictureOfTheBench();
    ImageWithoutDigIO();
    PropertyPage();
    AboutBox();
    TearDown();
    m_bench.Log().Add(m_failures ? LogKind::Fail : LogKind::Pass,
                      m_failures ? "demo: " + std::to_string(m_failures) + " of " +
                                       std::to_string(m_checks) + " checks FAILED"
                                 : "demo: all " + std::to_string(m_checks) + " checks passed");
    return m_failures;
}

void Demo::BindTheImage() {
    Step("Bind the simulated image: the Image property is written with its handle");
    const LONGLONG image = reinterpret_cast<intptr_t>(m_bench.Image());
    Press(IDC_BIND);
    const auto updates = Matching(Is(HXEVENTID_IMAGEUPDATED));
    Check(updates.size() == 1 && updates[0].onWindowThread,
          "ImageUpdated came once, on the window thread");
    Check(m_bench.Property(L"Image") == image, "Image reads back " + Hex(image));
    const LONGLONG inputs = m_bench.Property(L"NumInputs"),
                   outputs = m_bench.Property(L"NumOutputs");
    Check(inputs == m_options.inputs && outputs == m_options.outputs,
          "NumInputs " + std::to_string(inputs) + " and NumOutputs " + std::to_string(outputs) +
              ", read by name through GetIDsOfNames");
    Check(m_bench.Property(L"IsBasicDigIO") != 0, "IsBasicDigIO is TRUE");
    Check(HXKSimImageRefCount(m_bench.Image()) == 2,
          "the control holds a reference of its own on the image (2 in all)");
}

void Demo::ReadAndWriteLines() {
    Step("Read and write lines and port groups");
    ClickInput(3);
    Check(Input(3) == 1, "the click on switch 3 set input 3 HI on the device");
    Fill(IDC_PORT, "3");
    Press(IDC_GETINBIT);
    Check(m_bench.LastResult() == 1, "GetInBit(3) reads HI");
    Fill(IDC_PORT, "5");
    Fill(IDC_VALUE, "HI");
    Press(IDC_SETOUTBIT);
    Check(m_bench.LastResult() == 1 && Output(5) == 1,
          "SetOutBit(5, HI) answered HI and lit lamp 5");
    Fill(IDC_PORT, "0");
    Press(IDC_GETINDWORD);
    Check(m_bench.LastResult() == 0x8, "GetInDWORD(0) reads 0x00000008 (input 3)");
    Fill(IDC_VALUE, "0xF0");
    Fill(IDC_MASK, "0xF0");
    Press(IDC_SETOUTDWORD);
    Press(IDC_GETOUTDWORD);
    Check(m_bench.LastResult() == 0xF0, "SetOutDWORD(0, 0xF0, 0xF0) lit outputs 4 to 7");
    Fill(IDC_VALUE, "0");
    Fill(IDC_MASK, "0xD0");
    Press(IDC_SETOUTDWORD);
    Press(IDC_GETOUTDWORD);
    Check(m_bench.LastResult() == 0x20,
          "SetOutDWORD(0, 0, 0xD0) wrote only outputs 4, 6 and 7: GetOutDWORD(0) reads 0x00000020");
    const long beyond = m_options.inputs + 24;
    Fill(IDC_PORT, std::to_string(beyond));
    Press(IDC_GETINBIT);
    const auto invalid = Matching(ErrorWith(13, true));
    Check(invalid.size() == 1 && invalid[0].text == "Invalid port!" && invalid[0].continuePreset &&
              m_bench.LastResult() == 0,
          "GetInBit(" + std::to_string(beyond) +
              ") fired HXKError(13, \"Invalid port!\", Continue TRUE) and answered 0");
}

void Demo::EventsOnWorkerThreads() {
    Step("Events on the workers' own threads: \"Global AsyncACQ Enabled\" = 1");
    const size_t updatesBefore = Count(Is(HXEVENTID_IMAGEUPDATED));
    m_bench.SetCheck(IDC_FIRE_DIRECT, true); // the bench makes a new control and binds it
    Check(m_bench.HasControl() && Count(Is(HXEVENTID_IMAGEUPDATED)) == updatesBefore + 1 &&
              m_bench.Property(L"Image") == reinterpret_cast<intptr_t>(m_bench.Image()),
          "a new control was made and bound (a control reads the setting when it is made)");

    Fill(IDC_WORKER_PORT, "3");
    Fill(IDC_WORKER_DELAY, "40");
    Press(IDC_TOGGLER);
    const LONGLONG toggler = m_bench.LastResult();
    Press(IDC_START);
    Check(WaitFor([&] { return Count(From(HXEVENTID_TOGGLER, toggler)) == 1; }),
          "Toggler(" + Hex(toggler) + ", 3, LO) came");
    const auto pulses = Matching(From(HXEVENTID_TOGGLER, toggler));
    Check(pulses.size() == 1 && !pulses[0].onWindowThread && pulses[0].value == 0,
          "... on the toggler's own thread, not the window thread");

    m_bench.SetCheck(IDC_STOP_IN_HANDLER, true);
    Fill(IDC_WORKER_VALUE, "HI");
    Fill(IDC_WORKER_DELAY, "20");
    Press(IDC_BITLISTENER); // input 3 is HI already: the first step reports
    const LONGLONG listener = m_bench.LastResult();
    Press(IDC_START);
    Check(WaitFor([&] { return Count(From(HXEVENTID_LISTENER, listener)) >= 1; }),
          "Listener(" + Hex(listener) + ", 3, HI) came at the listener's first step");
    const auto reports = Matching(From(HXEVENTID_LISTENER, listener));
    Check(!reports.empty() && !reports[0].onWindowThread && reports[0].stopInHandler == 1,
          "... on the listener's own thread, whose handler stopped it (TRUE at once)");
    PumpFor(300);
    const size_t settled = Count(From(HXEVENTID_LISTENER, listener));
    PumpFor(300);
    Check(settled <= 2 && Count(From(HXEVENTID_LISTENER, listener)) == settled,
          "the listener stopped: " + std::to_string(settled) + " report(s) in all");

    m_bench.SetCheck(IDC_FIRE_DIRECT, false);
    Check(m_bench.HasControl() && m_bench.Property(L"NumInputs") > 0,
          "back to the hand-off: a new control, bound again; its workers hand their reports to "
          "its window thread");
}

void Demo::BitListener() {
    Step("A bit listener that waits for input 7 to go HI, and is stopped inside its handler");
    m_bench.SetCheck(IDC_STOP_IN_HANDLER, true);
    Fill(IDC_WORKER_PORT, "7");
    Fill(IDC_WORKER_VALUE, "HI");
    Fill(IDC_WORKER_DELAY, "20");
    Press(IDC_BITLISTENER);
    const LONGLONG listener = m_bench.LastResult();
    Check(listener != 0, "BitListenerCreate(7, HI, 20) answered a handle");
    Press(IDC_START);
    Check(m_bench.LastResult() != 0, "BitListenerStart answered TRUE");
    PumpFor(200);
    Check(Count(From(HXEVENTID_LISTENER, listener)) == 0, "no report while input 7 is LO");
    ClickInput(7);
    Check(WaitFor([&] { return Count(From(HXEVENTID_LISTENER, listener)) >= 1; }),
          "Listener(" + Hex(listener) + ", 7, HI) came after switch 7 was flipped");
    const auto reports = Matching(From(HXEVENTID_LISTENER, listener));
    Check(!reports.empty() && reports[0].port == 7 && reports[0].value == 1 &&
              reports[0].onWindowThread,
          "... with port 7 and value HI, on the window thread (the hand-off)");
    Check(!reports.empty() && reports[0].stopInHandler == 1,
          "BitListenerStop inside the handler answered TRUE at once");
    PumpFor(300);
    const size_t settled = Count(From(HXEVENTID_LISTENER, listener));
    PumpFor(300);
    // The stop is posted to the window thread; reports the listener hands
    // off meanwhile come first.
    Check(Count(From(HXEVENTID_LISTENER, listener)) == settled,
          "the listener stopped once its handler had returned (" + std::to_string(settled) +
              " report(s) before the posted stop was carried out)");
    ClickInput(7);
}

void Demo::DWORDListener() {
    Step("A DWORD listener on input group 0 that waits for 0x00000208 (inputs 3 and 9)");
    m_bench.SetCheck(IDC_STOP_IN_HANDLER, false);
    Fill(IDC_WORKER_PORT, "0");
    Fill(IDC_WORKER_VALUE, "0x208");
    Fill(IDC_WORKER_DELAY, "10");
    Press(IDC_DWORDLISTENER);
    const LONGLONG listener = m_bench.LastResult();
    Press(IDC_START);
    ClickInput(9);
    Check(WaitFor([&] { return Count(From(HXEVENTID_LISTENER, listener)) >= 3; }),
          "Listener(" + Hex(listener) +
              ", 0, 0x00000208) came, and again at every step while the inputs keep the value");
    const auto reports = Matching(From(HXEVENTID_LISTENER, listener));
    Check(!reports.empty() && reports[0].port == 0 && reports[0].value == 0x208 &&
              reports[0].onWindowThread,
          "... with port group 0 and the whole group's value, on the window thread");
    Press(IDC_STOP);
    Check(m_bench.LastResult() != 0, "DWORDListenerStop from the bench answered TRUE");
    PumpFor(100);
    const size_t settled = Count(From(HXEVENTID_LISTENER, listener));
    PumpFor(300);
    Check(Count(From(HXEVENTID_LISTENER, listener)) == settled,
          "no report after the stop (" + std::to_string(settled) + " in all)");
}

void Demo::TogglerPulses(bool onStopwatch) {
    const long delay = m_options.brief ? 80 : 250;
    Step(std::string("Toggler pulses timed ") + (onStopwatch
                                                     ? "on the stopwatch (\"DigIO via HPC\" = 1)"
                                                     : "with Sleep (\"DigIO via HPC\" = 0)"));
    m_bench.SetCheck(IDC_STOPWATCH, onStopwatch);
    const int line = onStopwatch ? 2 : 4; // output 4 is LO, output 5 is HI
    Fill(IDC_WORKER_PORT, std::to_string(line));
    Fill(IDC_WORKER_DELAY, std::to_string(delay));
    Press(IDC_TOGGLER);
    const LONGLONG toggler = m_bench.LastResult();
    Press(IDC_START);
    Check(WaitFor([&] { return Count(From(HXEVENTID_TOGGLER, toggler)) == 1; }),
          "Toggler(" + Hex(toggler) + ", " + std::to_string(line) +
              ", LO) came: the pulse is over");
    Pulse pulse = LastPulse(line);
    char shown[160];
    std::snprintf(shown, sizeof shown,
                  "output %d went HI and back LO; it was HI for %.3f ms (%ld asked)", line,
                  pulse.milliseconds, delay);
    // Generous bounds: the machine may be busy.
    Check(pulse.first == 1 && pulse.second == 0 && pulse.milliseconds >= delay * 0.9 &&
              Output(line) == 0,
          shown);

    // A line that is HI goes LO for the pulse; Start again gives the next pulse.
    Fill(IDC_WORKER_PORT, "5");
    Press(IDC_TOGGLER);
    const LONGLONG high = m_bench.LastResult();
    Press(IDC_START);
    Check(WaitFor([&] { return Count(From(HXEVENTID_TOGGLER, high)) == 1; }),
          "Toggler(" + Hex(high) + ", 5, HI) came");
    pulse = LastPulse(5);
    std::snprintf(shown, sizeof shown, "output 5 went LO and back HI; it was LO for %.3f ms",
                  pulse.milliseconds);
    Check(pulse.first == 0 && pulse.second == 1 && pulse.milliseconds >= delay * 0.9, shown);
    Press(IDC_START);
    Check(WaitFor([&] { return Count(From(HXEVENTID_TOGGLER, high)) == 2; }) &&
              Matching(From(HXEVENTID_TOGGLER, high)).back().value == 1,
          "a second Start gave the next pulse");
}

void Demo::ReadFailures() {
    Step("Injected read failures: the error convention");
    m_bench.SetCheck(IDC_STOP_IN_HANDLER, true);
    m_bench.SetCheck(IDC_CONTINUE, false);
    Fill(IDC_PORT, "11");
    Press(IDM_FAULT_INPUT_READ); // Faults > Fail reads of input line 11
    Press(IDC_GETINBIT);
    const auto portError = Matching(ErrorWith(14, true));
    Check(portError.size() == 1 && portError[0].text == "Couldn't read port!" &&
              portError[0].continuePreset && m_bench.LastResult() == 0,
          "GetInBit(11) fired HXKError(14, \"Couldn't read port!\", Continue TRUE) and answered 0");

    Fill(IDC_WORKER_PORT, "11");
    Fill(IDC_WORKER_VALUE, "HI");
    Fill(IDC_WORKER_DELAY, "20");
    Press(IDC_BITLISTENER);
    const LONGLONG listener = m_bench.LastResult();
    Press(IDC_START);
    Check(WaitFor([&] { return Count(ErrorWith(14, false)) >= 1; }),
          "the listener's failed read fired HXKError(14) on the listener's thread");
    const auto first = Matching(ErrorWith(14, false));
    Check(!first.empty() && !first[0].continuePreset && !first[0].continueAnswer,
          "... with Continue preset FALSE, and the bench left it FALSE");
    PumpFor(300);
    const size_t stopped = Count(ErrorWith(14, false));
    PumpFor(300);
    Check(stopped == 1 && Count(ErrorWith(14, false)) == 1,
          "the listener stopped itself after that one error");

    m_bench.SetCheck(IDC_CONTINUE, true);
    Press(IDC_START);
    Check(WaitFor([&] { return Count(ErrorWith(14, false)) >= 4; }),
          "started again with Continue answered TRUE, it goes on polling: an error at every step");
    Press(IDM_FAULT_CLEAR);
    ClickInput(11);
    Check(WaitFor([&] { return Count(From(HXEVENTID_LISTENER, listener)) >= 1; }),
          "with the fault removed and switch 11 flipped, Listener(" + Hex(listener) +
              ", 11, HI) came");
    m_bench.SetCheck(IDC_CONTINUE, false);

    Fill(IDC_PORT, "6");
    Press(IDM_FAULT_OUTPUT_WRITE); // Faults > Fail writes of output line 6
    Fill(IDC_VALUE, "HI");
    Press(IDC_SETOUTBIT);
    const auto writeError = Matching(ErrorWith(15, true));
    Check(writeError.size() == 1 && writeError[0].text == "Couldn't write port!" &&
              Output(6) == 0 && m_bench.LastResult() == 0,
          "SetOutBit(6, HI) fired HXKError(15, \"Couldn't write port!\") and output 6 stayed LO");
    Press(IDM_FAULT_CLEAR);
}

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

void Demo::TearDown() {
    Step("Tear down: destroy the workers, unbind the image, take the control off the form");
    for (const LONGLONG worker : m_bench.Workers()) {
        m_bench.SelectWorker(worker);
        Press(IDC_DESTROY);
        Check(m_bench.LastResult() != 0, "Destroy of " + Hex(worker) + " answered TRUE");
    }
    const size_t updates = Count(Is(HXEVENTID_IMAGEUPDATED));
    Press(IDC_UNBIND);
    Check(Count(Is(HXEVENTID_IMAGEUPDATED)) == updates + 1 && m_bench.Property(L"NumInputs") == 0 &&
              HXKSimImageRefCount(m_bench.Image()) == 1,
          "Image = 0 fired ImageUpdated, the counts are 0 and the control let go of the image");
    m_bench.Close();
    Check(HXKSimLiveImageCount() == 0, "no image is left: every reference was released");
}
