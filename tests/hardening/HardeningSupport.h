// What the hardening suites and the long hostile run share: a snapshot of
// the process's resources (threads, handles, windows, heap blocks, memory)
// to compare before and after, a watchdog that ends a run that stops making
// progress, a report of the last actions when the process crashes, and the
// result files that scripts/hardening-report.sh reads.
#pragma once

#include "MessageLoop.h"
#include "hx/win32_owners.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace hardening {

// The process's resources at one moment.
struct Resources {
    int threads = 0;
    // GetProcessHandleCount's answer (Wine 8 answers 0), and the handles
    // found open by asking each handle value in turn.
    DWORD reportedHandles = 0;
    int openHandles = 0;
    std::vector<ULONG_PTR> handles;
    // Windows of the process's threads (top-level, message-only and all
    // their descendants).
    int windows = 0;
    // GetGuiResources (Wine answers 0 for both).
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    // Busy blocks and bytes of every heap of the process (HeapWalk).
    long long heapBlocks = 0;
    long long heapBytes = 0;
    size_t privateBytes = 0;
};

using hxtest::ThreadCount;

// The process's threads, each with the module its start address lies in,
// for the message of a check that finds threads left.
inline std::string DescribeThreads() {
    using Query = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
    constexpr int kStartAddress = 9; // ThreadQuerySetWin32StartAddress
    std::string text;
    hx::unique_file snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more;
         more = Thread32Next(snapshot.get(), &entry)) {
        if (entry.th32OwnerProcessID != GetCurrentProcessId()) continue;
        void* start = nullptr;
        if (const hx::unique_handle thread{
                OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID)};
            thread && query)
            query(thread.get(), kStartAddress, &start, sizeof start, nullptr);
        HMODULE module = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(start), &module);
        char name[MAX_PATH] = "?";
        if (module) GetModuleFileNameA(module, name, MAX_PATH);
        char line[MAX_PATH + 64];
        std::snprintf(line, sizeof line, " [thread %lu starting at %p in %s]", entry.th32ThreadID,
                      start, name);
        text += line;
    }
    return text;
}

// Handle values are multiples of 4 handed out from the lowest free one, so
// the table is dense: past a gap of a thousand values nothing is open. (Each
// question is a trip to Wine's server: asking all 16384 takes a while.)
inline std::vector<ULONG_PTR> OpenHandles() {
    std::vector<ULONG_PTR> open;
    ULONG_PTR last = 0;
    for (ULONG_PTR value = 4; value < 0x10000 && value < last + 4096; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            open.push_back(value);
            last = value;
        }
    }
    return open;
}

inline int OpenHandleCount() {
    return static_cast<int>(OpenHandles().size());
}

// A handle's kind and name ("Key \\REGISTRY\\...", "Event"), for the
// message of a check that finds handles left.
inline std::string DescribeHandle(ULONG_PTR value) {
    using Query = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    static const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
    struct Text { // UNICODE_STRING at the head of both answers
        USHORT length, maximum;
        PWSTR buffer;
    };
    const auto ask = [&](int kind) {
        alignas(8) BYTE answer[2048] = {};
        ULONG size = 0;
        if (!query ||
            query(reinterpret_cast<HANDLE>(value), kind, answer, sizeof answer - 2, &size) != 0)
            return std::string("?");
        const Text* text = reinterpret_cast<const Text*>(answer);
        std::string narrow;
        for (USHORT i = 0; text->buffer && i < text->length / 2; ++i)
            narrow += text->buffer[i] < 128 ? static_cast<char>(text->buffer[i]) : '?';
        return narrow;
    };
    constexpr int kName = 1, kType = 2; // ObjectNameInformation, ObjectTypeInformation
    const std::string name = ask(kName);
    char line[64];
    std::snprintf(line, sizeof line, "%#llx ", static_cast<unsigned long long>(value));
    return line + ask(kType) + (name.empty() || name == "?" ? "" : " " + name);
}

// The handles open now that were not in `before`, described.
inline std::string DescribeNewHandles(const std::vector<ULONG_PTR>& before) {
    std::string text;
    for (ULONG_PTR value : OpenHandles())
        if (std::find(before.begin(), before.end(), value) == before.end())
            text += " [" + DescribeHandle(value) + "]";
    return text;
}

// The parent of the desktop's message-only windows, found through any of
// them (null while there is none).
inline HWND MessageOnlyParent() {
    // The window asked about may be destroyed before it answers: ask again.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const HWND any = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr);
        if (!any) return nullptr;
        if (const HWND parent = GetAncestor(any, GA_PARENT)) return parent;
    }
    return nullptr;
}

// The windows of this process: top-level, message-only and their children.
// Each level is listed at once. A FindWindowEx walk through the message-only
// windows (those of every process of the desktop) ends early when the
// window it stands on is destroyed meanwhile, and misses the rest.
inline std::vector<HWND> ProcessWindows() {
    struct Collect {
        std::vector<HWND> windows;
        HWND messageOnlyParent = nullptr;
        static BOOL CALLBACK Child(HWND window, LPARAM data) {
            reinterpret_cast<Collect*>(data)->windows.push_back(window);
            return TRUE;
        }
        static BOOL CALLBACK Top(HWND window, LPARAM data) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            if (process != GetCurrentProcessId()) return TRUE;
            reinterpret_cast<Collect*>(data)->windows.push_back(window);
            EnumChildWindows(window, &Child, data);
            return TRUE;
        }
        // Called for every descendant of the message-only parent: only its
        // children are taken as tops.
        static BOOL CALLBACK MessageOnly(HWND window, LPARAM data) {
            if (GetAncestor(window, GA_PARENT) == reinterpret_cast<Collect*>(data)->messageOnlyParent)
                Top(window, data);
            return TRUE;
        }
    } collect;
    EnumWindows(&Collect::Top, reinterpret_cast<LPARAM>(&collect));
    collect.messageOnlyParent = MessageOnlyParent();
    if (collect.messageOnlyParent)
        EnumChildWindows(collect.messageOnlyParent, &Collect::MessageOnly,
                         reinterpret_cast<LPARAM>(&collect));
    return collect.windows;
}

inline int WindowCount() { return static_cast<int>(ProcessWindows().size()); }

// The windows that were not there before, with their class, caption and
// thread (and whether that thread still runs), so a window left says whose.
inline std::string DescribeNewWindows(const std::vector<HWND>& before) {
    std::string text;
    for (HWND window : ProcessWindows()) {
        if (std::find(before.begin(), before.end(), window) != before.end()) continue;
        char className[128] = {}, caption[128] = {};
        GetClassNameA(window, className, sizeof className);
        GetWindowTextA(window, caption, sizeof caption);
        const DWORD thread = GetWindowThreadProcessId(window, nullptr);
        const hx::unique_handle owner(OpenThread(SYNCHRONIZE, FALSE, thread));
        const bool running = owner && WaitForSingleObject(owner.get(), 0) == WAIT_TIMEOUT;
        text += " [" + std::string(className) + " \"" + caption + "\" thread " +
                std::to_string(thread) + (running ? " running" : " ended") +
                (GetCurrentThreadId() == thread ? ", this thread" : "") + "]";
    }
    return text;
}

inline void HeapUse(long long& blocks, long long& bytes) {
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    blocks = bytes = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        PROCESS_HEAP_ENTRY entry = {};
        if (!HeapLock(heaps[i])) continue;
        while (HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                ++blocks;
                bytes += entry.cbData;
            }
        }
        HeapUnlock(heaps[i]);
    }
}

inline Resources Snapshot() {
    Resources r;
    r.threads = ThreadCount();
    GetProcessHandleCount(GetCurrentProcess(), &r.reportedHandles);
    r.handles = OpenHandles();
    r.openHandles = static_cast<int>(r.handles.size());
    r.windows = WindowCount();
    r.gdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    r.userObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    HeapUse(r.heapBlocks, r.heapBytes);
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
        r.privateBytes = memory.PagefileUsage;
    return r;
}

// Rows "name<TAB>before<TAB>after" for a result file.
inline std::vector<std::string> ResourceRows(const std::string& prefix, const Resources& before,
                                             const Resources& after) {
    const auto row = [&](const char* name, long long b, long long a) {
        return prefix + name + "\t" + std::to_string(b) + "\t" + std::to_string(a);
    };
    return {row("threads", before.threads, after.threads),
            row("handles_reported", before.reportedHandles, after.reportedHandles),
            row("handles_open", before.openHandles, after.openHandles),
            row("windows", before.windows, after.windows),
            row("gdi_objects", before.gdiObjects, after.gdiObjects),
            row("user_objects", before.userObjects, after.userObjects),
            row("heap_blocks", before.heapBlocks, after.heapBlocks),
            row("heap_bytes", before.heapBytes, after.heapBytes),
            row("private_bytes", static_cast<long long>(before.privateBytes),
                static_cast<long long>(after.privateBytes))};
}

// Where the result files go: build/windows/hardening, beside bin/.
inline std::string ResultDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path);
    directory = directory.substr(0, directory.find_last_of('\\')); // bin
    directory = directory.substr(0, directory.find_last_of('\\')) + "\\hardening";
    CreateDirectoryA(directory.c_str(), nullptr);
    return directory;
}

// Writes a result file whole (a tab-separated header line, then the rows).
inline bool WriteResults(const std::string& name, const std::string& header,
                         const std::vector<std::string>& rows) {
    std::ofstream out(ResultDirectory() + "\\" + name, std::ios::binary | std::ios::trunc);
    out << header << "\n";
    for (const std::string& row : rows)
        out << row << "\n";
    return static_cast<bool>(out);
}

// The last actions of a run, kept for the watchdog's and the crash
// handler's reports.
class ActionLog {
public:
    static ActionLog& Instance() {
        static ActionLog log;
        return log;
    }
    void Note(const std::string& action) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_recent[m_next++ % kKept] = action;
        ++m_count;
    }
    unsigned long long Count() const {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_count;
    }
    // Oldest first.
    std::string Recent() const {
        std::lock_guard<std::mutex> hold(m_lock);
        std::string text;
        const size_t first = m_next > kKept ? m_next - kKept : 0;
        for (size_t i = first; i < m_next; ++i)
            text += "  " + m_recent[i % kKept] + "\n";
        return text;
    }
    // The same without the lock, for the crash handler (the crashed thread
    // may hold it).
    void DumpUnlocked(FILE* out) const {
        const size_t first = m_next > kKept ? m_next - kKept : 0;
        for (size_t i = first; i < m_next; ++i)
            std::fprintf(out, "  %s\n", m_recent[i % kKept].c_str());
    }

private:
    static constexpr size_t kKept = 16;
    mutable std::mutex m_lock;
    std::string m_recent[kKept];
    size_t m_next = 0;
    unsigned long long m_count = 0;
};

// Reports a crash with the last actions before the process ends.
inline LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
    std::fprintf(stderr, "hardening: crash, exception 0x%08lX at %p; the last actions:\n",
                 info->ExceptionRecord->ExceptionCode, info->ExceptionRecord->ExceptionAddress);
    ActionLog::Instance().DumpUnlocked(stderr);
    std::fflush(stderr);
    return EXCEPTION_CONTINUE_SEARCH;
}

// Ends the process when the action count stops moving for `limit`: a hang
// is reported with the last actions instead of waiting for a time-out with
// no word of where.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit) : m_limit(limit), m_thread([this] { Watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    void Watch() {
        unsigned long long seen = ActionLog::Instance().Count();
        auto lastMove = std::chrono::steady_clock::now();
        std::unique_lock<std::mutex> hold(m_lock);
        while (!m_wake.wait_for(hold, std::chrono::milliseconds(500), [this] { return m_stop; })) {
            const unsigned long long now = ActionLog::Instance().Count();
            if (now != seen) {
                seen = now;
                lastMove = std::chrono::steady_clock::now();
                continue;
            }
            if (std::chrono::steady_clock::now() - lastMove < m_limit) continue;
            std::fprintf(
                stderr, "hardening: watchdog: no progress for %lld s; the last actions:\n%s",
                static_cast<long long>(m_limit.count()), ActionLog::Instance().Recent().c_str());
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }
    std::chrono::seconds m_limit;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace hardening
