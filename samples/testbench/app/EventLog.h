// The bench's log: every call the bench makes to the control, every event
// the control fires, what happens on the device, and (in the demo) every
// check. Each entry has its time, the thread it came from and a kind. The
// log is printed to the console as it grows (the transcript) and shown in a
// list view on the form.
//
// Entries may come from any thread (events fired on worker threads); the
// window thread puts them into the list view on a timer, so that a flood of
// events costs the form no more than ten updates a second. An entry equal to
// the one before (a listener reporting the same level again and again) is
// counted, not repeated.
#pragma once

#include <windows.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

enum class LogKind { Call, Event, Device, Note, Step, Pass, Fail };

class EventLog {
public:
    explicit EventLog(DWORD windowThread);
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // The list view to fill (null: none).
    void Attach(HWND listView);
    // Any thread.
    void Add(LogKind kind, const std::string& text);
    // The window thread: puts what is new into the list view.
    void Show();
    void Clear();
    // Ends the transcript (prints the count of a pending repetition).
    void Finish();

    // "window", or the thread's id.
    std::string ThreadName(DWORD thread) const;

private:
    struct Entry {
        double seconds;
        DWORD thread;
        LogKind kind;
        std::string text;
        long repeats;
    };
    void Print(const Entry& entry) const;
    void PrintRepeats(const Entry& entry);
    std::string Details(const Entry& entry) const;

    const DWORD m_windowThread;
    LARGE_INTEGER m_start, m_frequency;
    mutable std::mutex m_lock;
    std::vector<Entry> m_entries;
    size_t m_shown = 0;            // entries already in the list view
    long m_shownRepeats = 0;       // the repeat count its last row shows
    bool m_repeatsPrinted = false; // the last entry's count is in the transcript
    size_t m_removed = 0;          // rows to drop from the top of the list view
    HWND m_list = nullptr;
};
