// Where a logger's lines go. CaxLoggingTarget is the interface and also the
// target that accepts everything and writes nothing; the derived classes
// write to a log file, the event log, a console window, a trace sink and
// message boxes. Targets have no lock: each write is one runtime or Win32
// call, and texts of different threads may arrive in any order.
#pragma once

#include "CaxCString.h"
#include "CaxHRESULT.h"
#include "hx/win32_owners.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

class CaxLoggingTarget {
public:
    CaxLoggingTarget() noexcept = default;
    CaxLoggingTarget(const CaxLoggingTarget&) = delete;
    CaxLoggingTarget& operator=(const CaxLoggingTarget&) = delete;
    virtual ~CaxLoggingTarget();

    virtual BOOL Open(const char* name);
    virtual void Close();
    virtual std::int64_t Write(const char* text);
    virtual std::int64_t WriteRaw(const void* data, int size);

    BOOL IsOpened() const noexcept { return m_opened != 0 ? TRUE : FALSE; }
    const CaxCString& GetName() const noexcept { return m_name; }

    // Counted by the loggers that share the target, under their process-wide
    // lock; 1 after construction.
    std::uint32_t GetReferenceCount() const noexcept { return m_referenceCount; }
    std::uint32_t AddReference() noexcept { return ++m_referenceCount; }
    std::uint32_t ReleaseReference() noexcept { return --m_referenceCount; }

protected:
    // The open of targets that acquire nothing: keep the name, count as open.
    BOOL OpenNameOnly(const char* name);
    static std::int64_t TextLength(const char* text) noexcept;

    std::int32_t m_opened = 0;
    CaxCString m_name;
    std::uint32_t m_referenceCount = 1;
};

// Appends to "c:\<name>.LOG". Nothing is flushed: lines reach the disk when
// the stream's buffer fills or the file is closed.
class CaxLoggingTargetFile : public CaxLoggingTarget {
public:
    CaxLoggingTargetFile() noexcept = default;
    ~CaxLoggingTargetFile() override;
    // Throws axIO::CaxIOException when the file cannot be opened; a null
    // name answers FALSE and opens nothing.
    BOOL Open(const char* name) override;
    void Close() override;
    std::int64_t Write(const char* text) override;
    // 1 when the block was written whole, else 0.
    std::int64_t WriteRaw(const void* data, int size) override;

    const CaxCString& GetFileName() const noexcept { return m_fileName; }

private:
    hx::unique_stdio_file m_stream;
    CaxCString m_fileName;
};

// Information events of an event source named after the logger. Text events
// carry the current event number; each raw-data event carries it and then
// advances it.
class CaxLoggingTargetEventLog : public CaxLoggingTarget {
public:
    CaxLoggingTargetEventLog() noexcept = default;
    ~CaxLoggingTargetEventLog() override;
    BOOL Open(const char* name) override;
    void Close() override;
    std::int64_t Write(const char* text) override;
    std::int64_t WriteRaw(const void* data, int size) override;

    std::uint32_t GetEventNumber() const noexcept { return m_eventNumber; }

private:
    hx::unique_event_source m_source;
    std::uint32_t m_eventNumber = 0;
};

// The process's console, titled "HXQ Message Console", 512 lines of buffer,
// its window minimised.
class CaxLoggingTargetConsole : public CaxLoggingTarget {
public:
    CaxLoggingTargetConsole() noexcept = default;
    ~CaxLoggingTargetConsole() override;
    BOOL Open(const char* name) override;
    void Close() override;
    std::int64_t Write(const char* text) override;

    // Gives the console a unique temporary title, looks its window up by that
    // title and restores the old title. Null when not found.
    HWND FindConsoleWindow();

private:
    HANDLE m_output = nullptr;
};

// Accepts every text as written in full and produces no output.
class CaxLoggingTargetTrace : public CaxLoggingTarget {
public:
    BOOL Open(const char* name) override;
    std::int64_t Write(const char* text) override;
};

// One modal message box per text, captioned with the logger's name; blocks
// the writing thread until the box is closed.
class CaxLoggingTargetMsgBox : public CaxLoggingTarget {
public:
    BOOL Open(const char* name) override;
    std::int64_t Write(const char* text) override;
};
