// FormSite: the place on a container's form where one ActiveX control sits.
//
// A control talks to its container through the site it is given:
//   IOleClientSite    the site itself (the control asks it for the others)
//   IOleInPlaceSite   lets the control run in place, in a child window of
//                     the form, at the rectangle the site names
//   IOleInPlaceFrame  the frame window around it (menus and borders: this
//                     form offers none)
//   IOleControlSite   control-specific requests (focus, property frame)
//   IDispatch         the ambient properties: what the form tells every
//                     control about itself (user mode, colours, name, ...)
//
// One object implements all of them; the form window belongs to the
// container and outlives the site's use. Everything here runs on the form's
// thread, the thread that created the control.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <atomic>

class FormSite : public IOleClientSite,
                 public IOleInPlaceSite,
                 public IOleInPlaceFrame,
                 public IOleControlSite,
                 public IDispatch {
public:
    // The site's reference count starts at 1, owned by whoever made it.
    FormSite(HWND form, const RECT& placement);
    FormSite(const FormSite&) = delete;
    FormSite& operator=(const FormSite&) = delete;

    HWND Form() const { return m_form; }
    const RECT& Placement() const { return m_placement; }

    // While a control is in place, the site keeps its in-place object (not
    // a reference: the container holds that) to answer position changes.
    void SetInPlaceObject(IOleInPlaceObject* inPlace) { m_inPlace = inPlace; }

    // Ambient UserMode: FALSE is a form designer at design time, TRUE a
    // running program. The caller tells the control of the change
    // (IOleControl::OnAmbientPropertyChange).
    void SetUserMode(bool userMode);
    bool UserMode() const;

    // IUnknown
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;

    // IOleClientSite
    STDMETHOD(SaveObject)() override;
    STDMETHOD(GetMoniker)(DWORD, DWORD, IMoniker** ppmk) override;
    STDMETHOD(GetContainer)(IOleContainer** ppContainer) override;
    STDMETHOD(ShowObject)() override;
    STDMETHOD(OnShowWindow)(BOOL) override;
    STDMETHOD(RequestNewObjectLayout)() override;

    // IOleWindow (shared by the in-place site and the frame)
    STDMETHOD(GetWindow)(HWND* phwnd) override;
    STDMETHOD(ContextSensitiveHelp)(BOOL) override;

    // IOleInPlaceSite
    STDMETHOD(CanInPlaceActivate)() override;
    STDMETHOD(OnInPlaceActivate)() override;
    STDMETHOD(OnUIActivate)() override;
    STDMETHOD(GetWindowContext)
    (IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
     LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override;
    STDMETHOD(Scroll)(SIZE) override;
    STDMETHOD(OnUIDeactivate)(BOOL) override;
    STDMETHOD(OnInPlaceDeactivate)() override;
    STDMETHOD(DiscardUndoState)() override;
    STDMETHOD(DeactivateAndUndo)() override;
    STDMETHOD(OnPosRectChange)(LPCRECT rect) override;

    // IOleInPlaceUIWindow, IOleInPlaceFrame
    STDMETHOD(GetBorder)(LPRECT) override;
    STDMETHOD(RequestBorderSpace)(LPCBORDERWIDTHS) override;
    STDMETHOD(SetBorderSpace)(LPCBORDERWIDTHS) override;
    STDMETHOD(SetActiveObject)(IOleInPlaceActiveObject*, LPCOLESTR) override;
    STDMETHOD(InsertMenus)(HMENU, LPOLEMENUGROUPWIDTHS) override;
    STDMETHOD(SetMenu)(HMENU, HOLEMENU, HWND) override;
    STDMETHOD(RemoveMenus)(HMENU) override;
    STDMETHOD(SetStatusText)(LPCOLESTR) override;
    STDMETHOD(EnableModeless)(BOOL) override;
    STDMETHOD(TranslateAccelerator)(LPMSG, WORD) override;

    // IOleControlSite
    STDMETHOD(OnControlInfoChanged)() override;
    STDMETHOD(LockInPlaceActive)(BOOL) override;
    STDMETHOD(GetExtendedControl)(IDispatch** ppDisp) override;
    STDMETHOD(TransformCoords)(POINTL*, POINTF*, DWORD) override;
    STDMETHOD(TranslateAccelerator)(MSG*, DWORD) override;
    STDMETHOD(OnFocus)(BOOL) override;
    STDMETHOD(ShowPropertyFrame)() override;

    // IDispatch: the ambient properties, by their standard DISPIDs
    // (DISPID_AMBIENT_* of olectl.h). Only property gets are answered.
    STDMETHOD(GetTypeInfoCount)(UINT* pctinfo) override;
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override;
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHOD(Invoke)
    (DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
     UINT*) override;

private:
    virtual ~FormSite();

    std::atomic<LONG> m_references{1};
    HWND m_form;
    RECT m_placement;
    IOleInPlaceObject* m_inPlace = nullptr;
    bool m_userMode = true;
};
