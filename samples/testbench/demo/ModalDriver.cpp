#include "ModalDriver.h"

#include <atomic>
#include <string>
#include <thread>

namespace modal {

HWND FindDialog(DWORD thread, const std::function<bool(HWND)>& isTheOne) {
    struct Search {
        const std::function<bool(HWND)>* test;
        HWND found;
    } search = {&isTheOne, nullptr};
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            char name[16] = {};
            GetClassNameA(window, name, sizeof name);
            if (std::string(name) != "#32770" || !IsWindowVisible(window) || !(*s->test)(window))
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::function<bool(HWND)> Captioned(const char* caption) {
    const std::string wanted = caption;
    return [wanted](HWND window) {
        char text[256] = {};
        GetWindowTextA(window, text, sizeof text);
        return wanted == text;
    };
}

namespace {

// Presses a dialog's button as the mouse does; a message box's buttons
// answer WM_COMMAND as well.
void PressButton(HWND dialog, int id) {
    if (const HWND button = GetDlgItem(dialog, id))
        PostMessageA(button, BM_CLICK, 0, 0);
    else
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

} // namespace

bool Drive(const std::function<void()>& showModal, const std::function<bool(HWND)>& isTheOne,
           const std::function<void(HWND)>& work, int button) {
    const DWORD windowThread = GetCurrentThreadId();
    std::atomic<bool> returned{false}, worked{false};
    std::thread helper([&] {
        HWND dialog = nullptr;
        for (int i = 0; i < 2000 && !returned && !dialog; ++i) {
            dialog = FindDialog(windowThread, isTheOne);
            if (!dialog) Sleep(10);
        }
        if (!dialog) {
            // Not the dialog expected: whatever the call shows is cancelled,
            // so that the demo goes on (and reports what was missing).
            const auto any = [](HWND) { return true; };
            for (int i = 0; i < 1000 && !returned; ++i) {
                if (const HWND other = FindDialog(windowThread, any))
                    PostMessageA(other, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                Sleep(10);
            }
            return;
        }
        work(dialog);
        worked = true;
        for (int attempt = 0; attempt < 3 && !returned; ++attempt) {
            PressButton(dialog, attempt < 2 ? button : IDCANCEL);
            for (int i = 0; i < 500 && !returned; ++i)
                Sleep(10);
        }
    });
    showModal();
    returned = true;
    helper.join();
    return worked;
}

} // namespace modal
