// The test bench: a form with HXDigIO on it, a simulated device, the
// control's whole surface as buttons and fields, and a log of every call and
// event. Everything the bench does to the control goes through COM
// (hosting/): IDispatch by DISPID or by name, IOleObject for the verbs.
//
// The demo drives the bench as a person does, through the same commands:
// it fills in fields, presses buttons, picks menu items and clicks the
// device's switches.
#pragma once

#include "DevicePanel.h"
#include "EventLog.h"
#include "SettingsKey.h"
#include "WorkerKinds.h"
#include "hosting/HostedControl.h"

#include "HXKImageRef.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

// An event as the bench received it.
struct ReceivedEvent {
    DISPID id = 0;
    LONGLONG worker = 0; // Listener, Toggler: the worker's handle
    long port = 0;       // Listener, Toggler: the line or port group
    LONGLONG value = 0;  // Listener, Toggler: the value; HXKError: the code
    std::string text;    // HXKError: the text
    bool continuePreset = false, continueAnswer = false; // HXKError
    DWORD thread = 0;
    bool onWindowThread = false;
    int stopInHandler = -1; // the result of a stop made inside the handler, -1: none
};

class Bench {
public:
    struct Options {
        int inputs = 16;
        int outputs = 16;
        bool designMode = true;  // the form answers ambient UserMode FALSE
        bool bindAtStart = true; // Image is written as soon as the control is made
        // The sink drops this event (0: none), as a container that never
        // heard it: the demo's checks that wait for it fail.
        DISPID ignoredEvent = 0;
    };
    explicit Bench(const Options& options);
    Bench(const Bench&) = delete;
    Bench& operator=(const Bench&) = delete;
    ~Bench();

    // Makes the form, the device panel and the control on it, and shows
    // the form. Fails when the control cannot be made (not registered?).
    HRESULT Create();
    // Takes the control off the form, lets the image go, puts the toolkit
    // settings back and destroys the form. Also done by the destructor.
    void Close();

    HWND Window() const { return m_form; }
    EventLog& Log() { return m_log; }
    DevicePanel& Device() { return m_device; }
    HXKIMAGE Image() const { return m_image.Get(); }
    bool HasControl() const { return m_control.Exists(); }

    // What a person does: type into a field, press a button or pick a menu
    // item (both arrive as WM_COMMAND), tick a check box, pick a worker.
    void SetText(int id, const std::string& text);
    void Press(int id);
    void SetCheck(int id, bool on);
    bool SelectWorker(LONGLONG handle);
    // The result of the last call the bench made to the control (the handle
    // a Create method answered, the level GetInBit read, ...), and the
    // HRESULT of the last verb.
    LONGLONG LastResult() const { return m_lastResult; }
    HRESULT LastVerbResult() const { return m_lastVerbResult; }
    // A property of the control read by its name (through GetIDsOfNames).
    LONGLONG Property(const wchar_t* name);
    // Handles for the workers the bench knows, newest last.
    std::vector<LONGLONG> Workers();

    // Called with every event, on the thread it arrived on.
    void Observe(std::function<void(const ReceivedEvent&)> observer);

private:
    // Posted when the control's properties may have changed (ImageUpdated).
    static constexpr UINT kControlChangedMessage = WM_APP + 1;
    // Puts new log entries and worker counts on the form, ten times a second.
    static constexpr UINT_PTR kRefreshTimer = 1;

    struct Worker {
        WorkerKind kind;
        LONGLONG handle;
        long port, value, delay;
        bool onStopwatch; // togglers: "DigIO via HPC" was on when it was made
        std::string state;
        long reports;
    };

    // The form's layout (BenchLayout.cpp)
    SIZE ClientSize() const;
    void MakeChildren();
    HWND Child(const char* className, const char* text, DWORD style, int id, int x, int y, int w,
               int h, DWORD exStyle = 0);
    void PaintSections(HDC dc);
    HMENU MakeMenu();

    // The form (BenchForm.cpp)
    static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void UpdateMenu(HMENU menu);
    void Command(int id);
    long Field(int id);
    int Checked(int id) const;

    // The control on the form (BenchActions.cpp)
    HRESULT MakeControl();
    void RemakeControl(const std::string& why);
    void RefreshControlInfo();
    void Bind(LONGLONG image);
    void BindWithoutDigIO();
    void SetDesignMode(bool design);
    void ShowPropertiesVerb();
    void ShowAboutBox();

    // Ports and workers (BenchActions.cpp)
    void PortCall(int id);
    void CreateWorker(WorkerKind kind);
    void WorkerCall(int id);
    void RefreshWorkers();
    // The worker with this handle in m_workers, or end(); m_workersLock held.
    std::vector<Worker>::iterator FindWorker(LONGLONG handle);
    // A call by DISPID, logged as "<name>(<args>) = <result>", the result
    // shown as a line level, a port group, a handle or a BOOL.
    enum class Shown { Level, Group, Handle, Bool, Nothing };
    LONGLONG CallLogged(DISPID id, const char* name, std::initializer_list<VARIANT> args,
                        const std::string& shownArgs, Shown shown);

    // Faults (BenchActions.cpp)
    void ToggleFault(int operation, int index);
    void ClearFaults();

    // Events (BenchEvents.cpp): on any thread.
    void OnControlEvent(DISPID id, EventArgs& args);
    int StopFromHandler(LONGLONG worker);

    const Options m_options;
    const DWORD m_windowThread = GetCurrentThreadId();
    EventLog m_log{m_windowThread};
    SettingsKey m_settings;
    DevicePanel m_device;
    HostedControl m_control;
    HXKImageRef m_image;
    bool m_bound = false;
    bool m_designMode;
    HWND m_form = nullptr;
    HWND m_controlInfo = nullptr, m_workersList = nullptr, m_logList = nullptr;
    HFONT m_font = nullptr; // the stock GUI font: not ours to delete
    RECT m_controlPlace = {};
    struct Section {
        RECT rect;
        std::string title;
    };
    std::vector<Section> m_sections; // framed parts of the form

    LONGLONG m_lastResult = 0;
    HRESULT m_lastVerbResult = S_OK;

    // Read on worker threads too.
    std::atomic<IDispatch*> m_automation{nullptr}; // the control's, while it exists
    std::atomic<bool> m_continueWorkerErrors{false};
    std::atomic<bool> m_stopInHandler{false};
    std::function<void(const ReceivedEvent&)> m_observer;

    // Guards the workers table; never held while calling the control.
    std::mutex m_workersLock;
    std::vector<Worker> m_workers;
    bool m_workersChanged = false;

    std::set<std::pair<int, int>> m_faults; // (operation, line or group)
};
