// HostedControl: one ActiveX control on a container's form, from creation by
// its ProgID to removal. Create() does what form designers do:
//
//   1. CoCreateInstance of the class the ProgID names (the control must be
//      registered: regsvr32 HXDigIO.ocx);
//   2. the site first (the control asks for it with OLEMISC_SETCLIENTSITEFIRST),
//      then fresh persistent state (IPersistStreamInit::InitNew) and the size;
//   3. the event sink connected to the control's default source interface,
//      which the control names through IProvideClassInfo2;
//   4. in-place activation (DoVerb OLEIVERB_INPLACEACTIVATE): the control
//      makes its window as a child of the form.
//
// Remove() undoes it in reverse: events disconnected, Close, no site. Every
// call belongs on the form's thread.
#pragma once

#include "EventSink.h"
#include "FormSite.h"

#include "hx/com_ptr.h"

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

class HostedControl {
public:
    HostedControl() = default;
    HostedControl(const HostedControl&) = delete;
    HostedControl& operator=(const HostedControl&) = delete;
    ~HostedControl() { Remove(); }

    // placement: the control's rectangle in the form's client coordinates.
    // userMode: the ambient UserMode the form answers (FALSE: design time).
    HRESULT Create(const wchar_t* progId, HWND form, const RECT& placement, bool userMode,
                   EventSink::Handler onEvent);
    void Remove();

    bool Exists() const { return static_cast<bool>(m_object); }
    // The automation interface, for calls by DISPID or by name (Dispatch.h).
    IDispatch* Automation() const { return m_automation.get(); }
    // The control's own window on the form (null when it has none).
    HWND Window() const;
    // The rectangle the control holds on the form now.
    RECT Placement() const;

    // A verb: OLEIVERB_PROPERTIES shows the control's property pages (the
    // call returns when the frame is closed), OLEIVERB_SHOW, ...
    HRESULT DoVerb(LONG verb);

    // Changes the ambient UserMode and tells the control.
    void SetUserMode(bool userMode);

private:
    hx::com_ptr<FormSite> m_site;
    hx::com_ptr<IOleObject> m_object;
    hx::com_ptr<IDispatch> m_automation;
    hx::com_ptr<IOleInPlaceObject> m_inPlace;
    hx::com_ptr<IConnectionPoint> m_events;
    DWORD m_eventsCookie = 0;
};
