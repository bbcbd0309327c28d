// Works a modal window (the property frame, the about box, an "Error" box)
// for the demo, as a person would: the modal call runs on the window thread,
// while a helper thread waits for the dialog it shows, does its work on it
// and presses a button. Nothing waits for ever: the helper gives up after
// twenty seconds, and if the dialog is still up long after the button was
// pressed, it is cancelled.
#pragma once

#include <windows.h>

#include <functional>

namespace modal {

// A shown top-level dialog (class #32770) of the thread that passes the
// test, or null.
HWND FindDialog(DWORD thread, const std::function<bool(HWND)>& isTheOne);

// A dialog whose caption is this text.
std::function<bool(HWND)> Captioned(const char* caption);

// Runs showModal() on this thread. The helper thread waits for the dialog,
// runs work(dialog) and then presses `button` (IDOK, IDCANCEL). Answers true
// if the dialog was found and worked.
bool Drive(const std::function<void()>& showModal, const std::function<bool(HWND)>& isTheOne,
           const std::function<void(HWND)>& work, int button = IDOK);

} // namespace modal
