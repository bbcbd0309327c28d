#include "EventLog.h"

#include <commctrl.h>

namespace {

// The log keeps this many entries; beyond it the older half goes.
constexpr size_t kMostEntries = 20000;

const char* KindName(LogKind kind) {
    switch (kind) {
    case LogKind::Call:
        return "call";
    case LogKind::Event:
        return "event";
    case LogKind::Device:
        return "device";
    case LogKind::Note:
        return "note";
    case LogKind::Step:
        return "step";
    case LogKind::Pass:
        return "PASS";
    case LogKind::Fail:
        return "FAIL";
    }
    return "";
}

} // namespace

EventLog::EventLog(DWORD windowThread) : m_windowThread(windowThread) {
    QueryPerformanceFrequency(&m_frequency);
    QueryPerformanceCounter(&m_start);
}

void EventLog::Attach(HWND listView) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_list = listView;
}

std::string EventLog::ThreadName(DWORD thread) const {
    if (thread == m_windowThread) return "window";
    char name[32];
    std::snprintf(name, sizeof name, "thread %04lx", static_cast<unsigned long>(thread));
    return name;
}

std::string EventLog::Details(const Entry& entry) const {
    if (entry.repeats < 2) return entry.text;
    return entry.text + "   (" + std::to_string(entry.repeats) + " times)";
}

void EventLog::Print(const Entry& entry) const {
    if (entry.kind == LogKind::Step)
        std::printf("\n%8.3f  == %s\n", entry.seconds, entry.text.c_str());
    else
        std::printf("%8.3f  %-11s %-6s %s\n", entry.seconds, ThreadName(entry.thread).c_str(),
                    KindName(entry.kind), entry.text.c_str());
    std::fflush(stdout);
}

void EventLog::PrintRepeats(const Entry& entry) {
    if (entry.repeats < 2 || m_repeatsPrinted) return;
    m_repeatsPrinted = true;
    std::printf("%8s  %-11s %-6s ... the line above %ld times in all\n", "", "", "", entry.repeats);
    std::fflush(stdout);
}

void EventLog::Add(LogKind kind, const std::string& text) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const Entry entry{static_cast<double>(now.QuadPart - m_start.QuadPart) /
                          static_cast<double>(m_frequency.QuadPart),
                      GetCurrentThreadId(), kind, text, 1};
    std::lock_guard<std::mutex> hold(m_lock);
    Entry* last = m_entries.empty() ? nullptr : &m_entries.back();
    if (last && last->kind == kind && last->thread == entry.thread && last->text == text) {
        ++last->repeats;
        m_repeatsPrinted = false;
        return;
    }
    if (last) PrintRepeats(*last);
    if (m_entries.size() >= kMostEntries) {
        const size_t dropped = kMostEntries / 2;
        m_entries.erase(m_entries.begin(), m_entries.begin() + static_cast<ptrdiff_t>(dropped));
        const size_t shownDropped = dropped < m_shown ? dropped : m_shown;
        m_removed += shownDropped;
        m_shown -= shownDropped;
    }
    m_entries.push_back(entry);
    m_repeatsPrinted = false;
    Print(entry);
}

void EventLog::Show() {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_list) return;
    const bool repeated = m_shown > 0 && m_shownRepeats != m_entries[m_shown - 1].repeats;
    if (m_removed == 0 && !repeated && m_shown == m_entries.size()) return; // nothing new
    SendMessageA(m_list, WM_SETREDRAW, FALSE, 0);
    for (; m_removed > 0; --m_removed)
        SendMessageA(m_list, LVM_DELETEITEM, 0, 0);
    auto setCell = [this](int row, int column, const std::string& text) {
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = const_cast<char*>(text.c_str());
        SendMessageA(m_list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
    };
    // The last row shown may have been repeated since.
    if (m_shown > 0 && m_shownRepeats != m_entries[m_shown - 1].repeats) {
        setCell(static_cast<int>(m_shown - 1), 3, Details(m_entries[m_shown - 1]));
        m_shownRepeats = m_entries[m_shown - 1].repeats;
    }
    for (; m_shown < m_entries.size(); ++m_shown) {
        const Entry& entry = m_entries[m_shown];
        char time[32];
        std::snprintf(time, sizeof time, "%.3f", entry.seconds);
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(m_shown);
        item.pszText = time;
        item.lParam = static_cast<LPARAM>(entry.kind); // for the form's colours
        const int row = static_cast<int>(
            SendMessageA(m_list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        setCell(row, 1, entry.kind == LogKind::Step ? std::string() : ThreadName(entry.thread));
        setCell(row, 2, KindName(entry.kind));
        setCell(row, 3, Details(entry));
        m_shownRepeats = entry.repeats;
    }
    SendMessageA(m_list, WM_SETREDRAW, TRUE, 0);
    if (m_shown > 0) // the newest row in sight
        SendMessageA(m_list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(m_shown - 1), FALSE);
    InvalidateRect(m_list, nullptr, TRUE);
}

void EventLog::Clear() {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_entries.empty()) PrintRepeats(m_entries.back());
    m_entries.clear();
    m_shown = 0;
    m_removed = 0;
    m_shownRepeats = 0;
    if (m_list) SendMessageA(m_list, LVM_DELETEALLITEMS, 0, 0);
}

void EventLog::Finish() {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_entries.empty()) PrintRepeats(m_entries.back());
}
