// CHXdigIOCtrl: the Harlow Digital IO control. It binds one image of the
// imaging toolkit, reads and writes its digital lines, and reports every
// failure through the HXKError event while its calls return normally. On a
// form it is a 32 x 32 icon, shown at design time and hidden at run time.
#pragma once

#include "AfxCtl.h"
#include "HXDigIODispIds.h"
#include "HXKImageRef.h"
#include "hx/critical_section.h"

#include <atomic>

class CListenPort;
class CTogglePort;
class CWorkerPort;
struct WorkerReport;
struct HXDigIOError;

class CHXdigIOCtrl : public COleControl {
    DECLARE_OLECREATE_EX(CHXdigIOCtrl)
    DECLARE_OLETYPELIB(CHXdigIOCtrl)
    DECLARE_OLECTLTYPE(CHXdigIOCtrl)
    DECLARE_PROPPAGEIDS(CHXdigIOCtrl)
    DECLARE_DISPATCH_MAP()
    DECLARE_MESSAGE_MAP()

public:
    CHXdigIOCtrl();
    ~CHXdigIOCtrl() override;

    // Called by the workers on their own threads (HXdigIOWorkers.cpp).
    void ReportListener(CListenPort* listener, int32_t port, uint32_t value);
    void ReportToggler(CTogglePort* toggler, int32_t port, int32_t level);
    // HXKError for a worker's failed read (Continue preset FALSE); answers
    // what the handlers left in Continue.
    BOOL ReportWorkerError();

protected:
    // Window, drawing and persistence
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnSize(UINT type, int cx, int cy);
    LRESULT OnOcmCommand(WPARAM wParam, LPARAM lParam);
    void OnDraw(HDC hdc, const RECT& rcBounds, const RECT& rcInvalid) override;
    void DoPropExchange(CPropExchange* pPX) override;

    // Properties
    long GetNumInputs() { return m_nInputs; }
    long GetNumOutputs() { return m_nOutputs; }
    LONGLONG GetImage();
    void SetImage(LONGLONG newValue);
    BOOL GetIsBasicDigIO();

    // Port access
    long GetInBit(long port);
    long GetOutBit(long port);
    long SetOutBit(long port, long value);
    long GetInDWORD(long portGroup);
    long GetOutDWORD(long portGroup);
    long SetOutDWORD(long portGroup, long value, long mask);

    void AboutBox();

    // Listeners and togglers (HXdigIOWorkers.cpp)
    LONGLONG BitListenerCreate(long port, long value, long delay);
    LONGLONG DWORDListenerCreate(long port, long value, long delay);
    LONGLONG BitTogglerCreate(long port, long delay);
    BOOL WorkerStart(LONGLONG worker);
    BOOL ListenerStop(LONGLONG listener);
    BOOL ListenerDestroy(LONGLONG listener);
    BOOL TogglerDestroy(LONGLONG toggler);

    // Events
    void FireHXKError(long code, const char* text, BOOL* pContinue) {
        FireEvent(HXEVENTID_HXKERROR, VTS_I4 VTS_BSTR VTS_PBOOL, code, text, pContinue);
    }
    void FireImageUpdated() { FireEvent(HXEVENTID_IMAGEUPDATED, VTS_NONE); }
    void FireListener(LONGLONG listener, long port, long value) {
        FireEvent(HXEVENTID_LISTENER, VTS_I8 VTS_I4 VTS_I4, listener, port, value);
    }
    void FireToggler(LONGLONG toggler, long port, long value) {
        FireEvent(HXEVENTID_TOGGLER, VTS_I8 VTS_I4 VTS_I4, toggler, port, value);
    }

    // The window thread's side of the workers' messages; TRUE if the
    // message was one of them.
    BOOL OnWorkerMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Fires HXKError with the error's code, text and Continue preset;
    // returns what the container's handlers left in Continue.
    BOOL ReportError(const HXDigIOError& error);

private:
    // The shape of every port method: the index checked against its bound,
    // then one driver call (answering the driver's status); a failure of
    // either fires HXKError and answers false.
    template <class DriverCall>
    bool AccessPort(long index, int32_t bound, const HXDigIOError& failure, DriverCall driverCall);

    LONGLONG CreateListener(long port, long value, long delay, BOOL bitMode);
    bool OnWindowThread() const { return GetCurrentThreadId() == m_dwWindowThreadId; }
    CListenPort* FindListener(LONGLONG handle);
    CTogglePort* FindToggler(LONGLONG handle);
    // Stops a listener on the window thread, waiting for its step.
    void StopOnWindowThread(CListenPort* listener);
    // Deletes a worker out of the lists now, or leaves it for later when a
    // call on the window thread's stack is still using it (or this is not the
    // window thread).
    void Bury(CWorkerPort* worker);
    // Destroy of a worker found in this list; FALSE when it is not there.
    template <class Worker> BOOL DestroyFrom(CList<Worker*, Worker*>& list, LONGLONG handle);
    // Deletes the buried workers that nothing uses any more (window thread).
    void ReapWorkers();
    void DestroyWorkers();
    LRESULT HandleReport(UINT message, LPARAM lParam);
    void YieldToParent();

    // Read and written by worker threads too.
    std::atomic<BOOL> m_bFireDirect{FALSE};
    // How many listener threads wait in their hand-off to the window.
    std::atomic<LONG> m_bInHandOff{0};
    HXKImageRef m_hImage; // the control's own reference on the bound image
    int32_t m_nOutputs = 0;
    int32_t m_nInputs = 0;
    CList<CListenPort*, CListenPort*> m_Listeners;
    CList<CTogglePort*, CTogglePort*> m_Togglers;
    // Destroyed workers waiting to be deleted.
    CList<CWorkerPort*, CWorkerPort*> m_Buried;
    // Guards the three lists' links (not the workers); held only briefly,
    // never while waiting or firing.
    hx::critical_section m_workerLock;
    const DWORD m_dwWindowThreadId = GetCurrentThreadId();
    std::atomic<bool> m_bClosing{false};
};
