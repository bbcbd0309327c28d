// CHXdigIOCtrl: the Harlow Digital IO control. It binds one image of the
// imaging toolkit, reads and writes its digital lines, and reports every
// failure through the HXKError event while its calls return normally. On a
// form it is a 32 x 32 icon, shown at design time and hidden at run time.
#pragma once

#include "AfxCtl.h"
#include "HXDigIODispIds.h"
#include "HXKImageRef.h"

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

    // Events
    void FireHXKError(long code, const char* text, BOOL* pContinue) {
        FireEvent(HXEVENTID_HXKERROR, VTS_I4 VTS_BSTR VTS_PBOOL, code, text, pContinue);
    }
    void FireImageUpdated() { FireEvent(HXEVENTID_IMAGEUPDATED, VTS_NONE); }

    // Fires HXKError with Continue preset as given; returns what the
    // container's handlers left in it.
    BOOL ReportError(long code, const char* text, BOOL continuePreset = TRUE);

private:
    // The shape of every port method: the index checked against its bound,
    // then one driver call (answering the driver's status); a failure of
    // either fires HXKError and answers false.
    template <class DriverCall>
    bool AccessPort(long index, int32_t bound, long failureCode, const char* failureText,
                    DriverCall driverCall);

    BOOL m_bFireDirect = FALSE;
    HXKImageRef m_hImage; // the control's own reference on the bound image
    int32_t m_nOutputs = 0;
    int32_t m_nInputs = 0;
};
