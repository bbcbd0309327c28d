// The demo's machinery: recording the events, waiting for them, checking,
// and the order of the steps. The steps are in DemoPorts.cpp,
// DemoWorkers.cpp and DemoWindows.cpp.
#include "Demo.h"

#include "app/Format.h"

#include "HXKSim.h"

#include <algorithm>
#include <cstdio>

namespace {

// Makes a folder and every folder above it that is missing.
void CreateFolders(const std::string& path) {
    for (size_t at = path.find_first_of("\\/", 3); at != std::string::npos;
         at = path.find_first_of("\\/", at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
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
