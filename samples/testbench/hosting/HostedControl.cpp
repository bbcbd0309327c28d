#include "HostedControl.h"

#include "hx/result_macros.h"

#include <olectl.h>

namespace {

// Pixels to HIMETRIC (0.01 mm), the unit of IOleObject::SetExtent.
SIZEL HimetricOf(const RECT& rect, HWND window) {
    const HDC screen = GetDC(window);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(window, screen);
    return SIZEL{MulDiv(rect.right - rect.left, 2540, dpiX),
                 MulDiv(rect.bottom - rect.top, 2540, dpiY)};
}

// The IID of the control's events: the default source interface of its
// class, as the control itself states it.
HRESULT DefaultEventInterface(IUnknown* control, IID* iid) {
    hx::com_ptr<IProvideClassInfo2> info;
    RETURN_IF_FAILED(control->QueryInterface(IID_IProvideClassInfo2, info.put_void()));
    return info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, iid);
}

} // namespace

HRESULT HostedControl::Create(const wchar_t* progId, HWND form, const RECT& placement,
                              bool userMode, EventSink::Handler onEvent) {
    Remove();
    CLSID clsid;
    RETURN_IF_FAILED(CLSIDFromProgID(progId, &clsid));
    RETURN_IF_FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                      m_object.put_void()));
    IOleObject* const object = m_object.get(); // Remove() takes it off again after a failure
    m_site = hx::com_ptr<FormSite>::attach(new FormSite(form, placement));
    m_site->SetUserMode(userMode);

    // The site before anything else, when the control asks for it so: it
    // reads ambient properties while it initialises.
    DWORD misc = 0;
    object->GetMiscStatus(DVASPECT_CONTENT, &misc);
    if (misc & OLEMISC_SETCLIENTSITEFIRST) RETURN_IF_FAILED(object->SetClientSite(m_site.get()));
    if (const auto persist = m_object.query<IPersistStreamInit>(IID_IPersistStreamInit))
        RETURN_IF_FAILED(persist->InitNew());
    if (!(misc & OLEMISC_SETCLIENTSITEFIRST)) RETURN_IF_FAILED(object->SetClientSite(m_site.get()));
    SIZEL extent = HimetricOf(placement, form);
    object->SetExtent(DVASPECT_CONTENT, &extent);

    // Events: a sink for the control's event interface, advised on its
    // connection point.
    IID eventInterface;
    RETURN_IF_FAILED(DefaultEventInterface(object, &eventInterface));
    const auto sink = hx::com_ptr<EventSink>::attach(new EventSink(eventInterface, onEvent));
    hx::com_ptr<IConnectionPointContainer> points;
    RETURN_IF_FAILED(object->QueryInterface(IID_IConnectionPointContainer, points.put_void()));
    RETURN_IF_FAILED(points->FindConnectionPoint(eventInterface, m_events.put()));
    RETURN_IF_FAILED(m_events->Advise(sink.get(), &m_eventsCookie));

    m_automation = m_object.query<IDispatch>(IID_IDispatch);
    if (!m_automation) return E_NOINTERFACE;

    // In place: the control makes its window on the form.
    m_inPlace = m_object.query<IOleInPlaceObject>(IID_IOleInPlaceObject);
    m_site->SetInPlaceObject(m_inPlace.get());
    RECT where = placement;
    return object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, m_site.get(), 0, form, &where);
}

void HostedControl::Remove() {
    if (m_events) {
        m_events->Unadvise(m_eventsCookie); // no event reaches the sink after this
        m_events.reset();
        m_eventsCookie = 0;
    }
    if (m_object) {
        // Close deactivates the control and destroys its window; without a
        // site it lets go of its references on the container.
        m_object->Close(OLECLOSE_NOSAVE);
        m_object->SetClientSite(nullptr);
    }
    if (m_site) m_site->SetInPlaceObject(nullptr);
    m_inPlace.reset();
    m_automation.reset();
    m_object.reset();
    m_site.reset();
}

HWND HostedControl::Window() const {
    HWND window = nullptr;
    if (m_inPlace) m_inPlace->GetWindow(&window);
    return window;
}

RECT HostedControl::Placement() const {
    return m_site ? m_site->Placement() : RECT{};
}

HRESULT HostedControl::DoVerb(LONG verb) {
    if (!m_object) return E_UNEXPECTED;
    RECT where = m_site->Placement();
    return m_object->DoVerb(verb, nullptr, m_site.get(), 0, m_site->Form(), &where);
}

void HostedControl::SetUserMode(bool userMode) {
    if (!m_site) return;
    m_site->SetUserMode(userMode);
    if (const auto control = m_object.query<IOleControl>(IID_IOleControl))
        control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE);
}
