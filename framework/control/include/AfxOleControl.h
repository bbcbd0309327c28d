// COleControl: the base of an ActiveX control. It gives the control its
// automation interface (from the control's dispatch table), its events
// (one connection point for the event interface, fired to every sink), its
// class information, and everything a container needs to put it on a form:
// embedding (IOleObject, IOleControl, IQuickActivate), in-place activation
// with the control's window, drawing (IViewObjectEx), persistence (streams,
// property bags, storages) and property pages.
//
// A control declares:
//   class CMyCtrl : public COleControl {
//       DECLARE_OLECREATE_EX(CMyCtrl)   // factory, `guid`, GetClassID
//       DECLARE_OLETYPELIB(CMyCtrl)     // the type library describing it
//       DECLARE_OLECTLTYPE(CMyCtrl)     // its type name and status bits
//       DECLARE_PROPPAGEIDS(CMyCtrl)    // its property pages
//       DECLARE_DISPATCH_MAP()          // its members
//       DECLARE_MESSAGE_MAP()           // its window's messages and its verbs
//   public:
//       CMyCtrl() { InitializeIIDs(&DIID_DMy, &DIID_DMyEvents); }
//   protected:
//       void OnDraw(HDC hdc, const RECT& rcBounds, const RECT& rcInvalid) override;
//       void DoPropExchange(CPropExchange* pPX) override;
//   };
//   BEGIN_MESSAGE_MAP(CMyCtrl, COleControl)
//       ON_OLEVERB(AFX_IDS_VERB_EDIT, OnEdit)
//       ON_OLEVERB(AFX_IDS_VERB_PROPERTIES, OnProperties)
//   END_MESSAGE_MAP()
//
// The control's window exists while the control is active in place: it is
// made in the site's window (PreCreateWindow may change its class) and goes
// on deactivation and on Close. When the container does not reflect
// notifications (ambient MessageReflect FALSE), a reflector window sits
// between the site's window and the control's window and hands the
// control's WM_COMMAND and WM_NOTIFY back to it as OCM_COMMAND and
// OCM_NOTIFY, so the control's table sees them the same way in both cases.
//
// Sizes: the extent is kept in HIMETRIC units, as OLE hands it; the control
// reads and sets it in pixels (GetControlSize, SetControlSize).
#pragma once

#include "AfxCmdTarget.h"
#include "AfxConnectionPoint.h"
#include "AfxDispatchMap.h"
#include "AfxPropExchange.h"
#include "AfxTypeLibCache.h"
#include "AfxWnd.h"
#include "hx/com_ptr.h"

#include <ocidl.h>
#include <olectl.h>

#include <memory>
#include <type_traits>
#include <utility>

// One argument of an event as the C++ caller gives it; the event's VTS_
// string says how it travels.
struct AfxEventArg {
    enum class Kind { Integer, Real, Text, BoolRef };

    template <class T>
    requires(std::is_integral_v<T> || std::is_enum_v<T>) AfxEventArg(T value)
        : kind(Kind::Integer), integer(static_cast<long long>(value)) {}
    AfxEventArg(double value) : kind(Kind::Real), real(value) {}
    AfxEventArg(const char* value) : kind(Kind::Text), text(value) {}
    AfxEventArg(BOOL* value) : kind(Kind::BoolRef), boolRef(value) {}

    Kind kind;
    union {
        long long integer;
        double real;
        const char* text;
        BOOL* boolRef;
    };
};

// The framework's two verbs: string resources of the module when it has
// them, else the framework's own texts ("&Edit", "&Properties...").
constexpr UINT AFX_IDS_VERB_EDIT = 0xEF00;
constexpr UINT AFX_IDS_VERB_PROPERTIES = 0xEF01;

// What a verb handler gets: DoVerb's message, parent window and position.
struct AFX_OLEVERB_PARAMS {
    LPMSG lpMsg;
    HWND hWndParent;
    LPCRECT lpRect;
};

namespace afx {
// Pmf may be a member of a base of T (the framework's own verbs).
template <class T, auto Pmf> LRESULT CallVerb(CWnd* target, WPARAM, LPARAM lParam) {
    static_assert(
        std::is_same_v<decltype((std::declval<T*>()->*Pmf)(LPMSG{}, HWND{}, LPCRECT{})), HRESULT>,
        "a verb handler is HRESULT OnVerb(LPMSG, HWND, LPCRECT)");
    const auto* params = reinterpret_cast<const AFX_OLEVERB_PARAMS*>(lParam);
    return (static_cast<T*>(target)->*Pmf)(params->lpMsg, params->hWndParent, params->lpRect);
}
} // namespace afx

// A verb of the control, in its message table: HRESULT OnVerb(LPMSG, HWND,
// LPCRECT). Verbs are numbered from 0 in the order of the table, the
// control's own entries first; verb 0 is the primary verb.
#define ON_OLEVERB(idsVerbName, memberFxn)                                                         \
    {AFX_MSG_OLEVERB, static_cast<UINT>(idsVerbName), 0, true,                                     \
     &afx::CallVerb<ThisClass, &ThisClass::memberFxn>},

class COleControl : public CCmdTarget,
                    public CWnd,
                    public IDispatch,
                    public IConnectionPointContainer,
                    public IProvideClassInfo2,
                    public IOleObject,
                    public IOleInPlaceObject,
                    public IOleInPlaceActiveObject,
                    public IOleControl,
                    public IViewObjectEx,
                    public IPersistStreamInit,
                    public IPersistPropertyBag,
                    public IPersistStorage,
                    public ISpecifyPropertyPages,
                    public IQuickActivate {
public:
    COleControl();
    ~COleControl() override;

    AFX_DECLARE_IUNKNOWN()
    AFX_DECLARE_IDISPATCH()

    // IConnectionPointContainer
    STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** ppEnum) override;
    STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint** ppCP) override;
    // IProvideClassInfo2
    STDMETHOD(GetClassInfo)(ITypeInfo** ppTI) override;
    STDMETHOD(GetGUID)(DWORD dwGuidKind, GUID* pGUID) override;

    // IOleObject
    STDMETHOD(SetClientSite)(IOleClientSite* pClientSite) override;
    STDMETHOD(GetClientSite)(IOleClientSite** ppClientSite) override;
    STDMETHOD(SetHostNames)(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) override;
    STDMETHOD(Close)(DWORD dwSaveOption) override;
    STDMETHOD(SetMoniker)(DWORD dwWhichMoniker, IMoniker* pmk) override;
    STDMETHOD(GetMoniker)(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) override;
    STDMETHOD(InitFromData)(IDataObject* pDataObject, BOOL fCreation, DWORD dwReserved) override;
    STDMETHOD(GetClipboardData)(DWORD dwReserved, IDataObject** ppDataObject) override;
    STDMETHOD(DoVerb)
    (LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite, LONG lindex, HWND hwndParent,
     LPCRECT lprcPosRect) override;
    STDMETHOD(EnumVerbs)(IEnumOLEVERB** ppEnumOleVerb) override;
    STDMETHOD(Update)() override;
    STDMETHOD(IsUpToDate)() override;
    STDMETHOD(GetUserClassID)(CLSID* pClsid) override;
    STDMETHOD(GetUserType)(DWORD dwFormOfType, LPOLESTR* pszUserType) override;
    STDMETHOD(SetExtent)(DWORD dwDrawAspect, SIZEL* psizel) override;
    STDMETHOD(GetExtent)(DWORD dwDrawAspect, SIZEL* psizel) override;
    STDMETHOD(Advise)(IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
    STDMETHOD(Unadvise)(DWORD dwConnection) override;
    STDMETHOD(EnumAdvise)(IEnumSTATDATA** ppenumAdvise) override;
    STDMETHOD(GetMiscStatus)(DWORD dwAspect, DWORD* pdwStatus) override;
    STDMETHOD(SetColorScheme)(LOGPALETTE* pLogpal) override;

    // IOleWindow (IOleInPlaceObject and IOleInPlaceActiveObject)
    STDMETHOD(GetWindow)(HWND* phwnd) override;
    STDMETHOD(ContextSensitiveHelp)(BOOL fEnterMode) override;
    // IOleInPlaceObject
    STDMETHOD(InPlaceDeactivate)() override;
    STDMETHOD(UIDeactivate)() override;
    STDMETHOD(SetObjectRects)(LPCRECT lprcPosRect, LPCRECT lprcClipRect) override;
    STDMETHOD(ReactivateAndUndo)() override;
    // IOleInPlaceActiveObject
    STDMETHOD(TranslateAccelerator)(LPMSG lpmsg) override;
    STDMETHOD(OnFrameWindowActivate)(BOOL fActivate) override;
    STDMETHOD(OnDocWindowActivate)(BOOL fActivate) override;
    STDMETHOD(ResizeBorder)
    (LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow, BOOL fFrameWindow) override;
    STDMETHOD(EnableModeless)(BOOL fEnable) override;

    // IOleControl
    STDMETHOD(GetControlInfo)(CONTROLINFO* pCI) override;
    STDMETHOD(OnMnemonic)(MSG* pMsg) override;
    STDMETHOD(OnAmbientPropertyChange)(DISPID dispID) override;
    STDMETHOD(FreezeEvents)(BOOL bFreeze) override;

    // IViewObject, IViewObject2, IViewObjectEx
    STDMETHOD(Draw)
    (DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd, HDC hdcTargetDev,
     HDC hdcDraw, LPCRECTL lprcBounds, LPCRECTL lprcWBounds,
     BOOL(STDMETHODCALLTYPE* pfnContinue)(ULONG_PTR), ULONG_PTR dwContinue) override;
    STDMETHOD(GetColorSet)
    (DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd, HDC hicTargetDev,
     LOGPALETTE** ppColorSet) override;
    STDMETHOD(Freeze)(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DWORD* pdwFreeze) override;
    STDMETHOD(Unfreeze)(DWORD dwFreeze) override;
    STDMETHOD(SetAdvise)(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) override;
    STDMETHOD(GetAdvise)(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) override;
    STDMETHOD(GetExtent)
    (DWORD dwDrawAspect, LONG lindex, DVTARGETDEVICE* ptd, LPSIZEL lpsizel) override;
    STDMETHOD(GetRect)(DWORD dwAspect, LPRECTL pRect) override;
    STDMETHOD(GetViewStatus)(DWORD* pdwStatus) override;
    STDMETHOD(QueryHitPoint)
    (DWORD dwAspect, LPCRECT pRectBounds, POINT ptlLoc, LONG lCloseHint,
     DWORD* pHitResult) override;
    STDMETHOD(QueryHitRect)
    (DWORD dwAspect, LPCRECT pRectBounds, LPCRECT pRectLoc, LONG lCloseHint,
     DWORD* pHitResult) override;
    STDMETHOD(GetNaturalExtent)
    (DWORD dwAspect, LONG lindex, DVTARGETDEVICE* ptd, HDC hicTargetDev, DVEXTENTINFO* pExtentInfo,
     LPSIZEL pSizel) override;

    // IPersist (of all three persistence interfaces): the class identifier.
    HRESULT GetClassID(LPCLSID pClassID) override;
    // IPersistStreamInit and IPersistStorage
    STDMETHOD(IsDirty)() override;
    // IPersistStreamInit and IPersistPropertyBag
    STDMETHOD(InitNew)() override;
    // IPersistStreamInit
    STDMETHOD(Load)(LPSTREAM pStm) override;
    STDMETHOD(Save)(LPSTREAM pStm, BOOL fClearDirty) override;
    STDMETHOD(GetSizeMax)(ULARGE_INTEGER* pcbSize) override;
    // IPersistPropertyBag
    STDMETHOD(Load)(IPropertyBag* pPropBag, IErrorLog* pErrorLog) override;
    STDMETHOD(Save)(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL fSaveAllProperties) override;
    // IPersistStorage
    STDMETHOD(InitNew)(IStorage* pStg) override;
    STDMETHOD(Load)(IStorage* pStg) override;
    STDMETHOD(Save)(IStorage* pStgSave, BOOL fSameAsLoad) override;
    STDMETHOD(SaveCompleted)(IStorage* pStgNew) override;
    STDMETHOD(HandsOffStorage)() override;

    // ISpecifyPropertyPages
    STDMETHOD(GetPages)(CAUUID* pPages) override;

    // IQuickActivate
    STDMETHOD(QuickActivate)(QACONTAINER* pQaContainer, QACONTROL* pQaControl) override;
    STDMETHOD(SetContentExtent)(LPSIZEL pSizel) override;
    STDMETHOD(GetContentExtent)(LPSIZEL pSizel) override;

    // The control's dispatch interface and event interface.
    void InitializeIIDs(const IID* piidPrimary, const IID* piidEvents);

    void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }
    BOOL IsModified() const { return m_bModified; }

    // The control's size in pixels. SetControlSize changes the extent and,
    // while the control is active, asks the site to move it to the new size
    // (and moves the window itself when the site does not).
    void GetControlSize(int* pcx, int* pcy) const;
    BOOL SetControlSize(int cx, int cy);

    // An ambient property of the container, read through its site's
    // IDispatch and converted to vtProp; FALSE when the site has none or
    // its value does not convert.
    BOOL GetAmbientProperty(DISPID dispid, VARTYPE vtProp, VARIANT* pvarProp);
    // The ambients the framework uses, with their defaults when the site
    // has none: UserMode TRUE (run mode), MessageReflect FALSE.
    BOOL AmbientUserMode();
    BOOL AmbientMessageReflect();

    // Redraws the control: its window, and the container's view of it.
    void InvalidateControl();
    // Tells IPropertyNotifySink sinks that a property (DISPID_UNKNOWN: any)
    // has changed.
    void BoundPropertyChanged(DISPID dispid);

    // Fires an event to every connected sink, on the calling thread, unless
    // the container has frozen events. One argument per byte of vtsParams;
    // a VTS_PBOOL argument (a BOOL*) goes out by reference and holds what
    // the sinks left in it afterwards.
    template <class... Args> void FireEvent(DISPID dispid, const char* vtsParams, Args... args) {
        const AfxEventArg list[sizeof...(Args) + 1] = {AfxEventArg(args)..., AfxEventArg(0)};
        FireEventV(dispid, vtsParams, list, static_cast<unsigned>(sizeof...(Args)));
    }
    void FireEventV(DISPID dispid, const char* vtsParams, const AfxEventArg* args, unsigned count);

    // Fails the automation call in progress with this code.
    [[noreturn]] void ThrowError(SCODE sc, const char* description = nullptr);

    DECLARE_INTERFACE_MAP()
    DECLARE_MESSAGE_MAP()

protected:
    // Drawing: into the control's window (WM_PAINT) or a container's device
    // context (IViewObject::Draw). rcBounds is where the control lies.
    virtual void OnDraw(HDC hdc, const RECT& rcBounds, const RECT& rcInvalid);
    // Persistence: the control's properties, then the base's (the extent).
    virtual void DoPropExchange(CPropExchange* pPX);
    // Sets every persisted property to its default.
    virtual void OnResetState();
    // The persistence version: loaded from the data, and written as
    // dwVersionDefault (bConvert) or as it was loaded.
    void ExchangeVersion(CPropExchange* pPX, DWORD dwVersionDefault, BOOL bConvert = TRUE);
    DWORD GetVersionLoaded() const { return m_dwVersionLoaded; }

    // The window's class: the framework's own unless the control names one.
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnPaintMessage(WPARAM wParam, LPARAM lParam);

    // The framework's verbs: Edit activates the control in place and in
    // its user interface; Properties shows its property pages (the site's
    // own frame when it offers one, else the system's property frame).
    HRESULT OnEdit(LPMSG lpMsg, HWND hWndParent, LPCRECT lpRect);
    virtual HRESULT OnProperties(LPMSG lpMsg, HWND hWndParent, LPCRECT lpRect);

    // Type name (string resource) and status bits (DECLARE_OLECTLTYPE).
    virtual UINT GetUserTypeNameID();
    virtual DWORD GetMiscStatus();
    // Property pages (DECLARE_PROPPAGEIDS).
    virtual const CLSID* GetPropPageIDs(ULONG& cPropPages);

    // The extent given to a new control, in pixels.
    void SetInitialSize(int cx, int cy);

    BOOL GetDispatchIID(IID* piid) override;
    void* GetInterfaceHook(REFIID iid) override;
    void OnFinalRelease() override;
    // The last release's work, on the window's thread: the window and the
    // site go, then the control.
    void FinishFinalRelease();
    static UINT FinalReleaseMessage();
    // The type library that describes the control (DECLARE_OLETYPELIB).
    virtual CTypeLibCache* GetTypeLibCache();
    bool HasDispatchTypeInfo() override;
    HRESULT GetDispatchTypeInfo(LCID lcid, ITypeInfo** ppTypeInfo) override;
    HRESULT GetTypeInfoOfGuid(LCID lcid, REFGUID guid, ITypeInfo** ppTypeInfo);

    const IID* m_piidPrimary = nullptr;
    const IID* m_piidEvents = nullptr;
    BOOL m_bModified = FALSE;
    CConnectionPoint m_xEventConnPt;
    CConnectionPoint m_xPropConnPt; // IPropertyNotifySink


    // In-place activation (and, with bUIActivate, UI activation).
    HRESULT OnActivateInPlace(BOOL bUIActivate, LPMSG pMsg);
    HRESULT OnHide();
    // A verb of the message tables by number; null when there is none.
    const AFX_MSGMAP_ENTRY* FindVerb(LONG iVerb) const;
    // The control's window and the reflector, made in the site's window.
    bool CreateControlWindow(HWND hWndParent, const RECT& rcPos);
    void DestroyControlWindow();
    // The window the container sees: the reflector when there is one.
    HWND GetOuterWindow() const;
    void MoveControlWindow(const RECT& rcPos);
    // Persistence through the framework's stream format.
    HRESULT LoadFromStream(IStream* pStm);
    HRESULT SaveToStream(IStream* pStm);
    void OnLoaded();

    // The container.
    hx::com_ptr<IOleClientSite> m_pClientSite;
    hx::com_ptr<IOleControlSite> m_pControlSite;
    hx::com_ptr<IOleAdviseHolder> m_pOleAdviseHolder;
    hx::com_ptr<IAdviseSink> m_pViewAdviseSink;
    DWORD m_dwViewAdviseAspects = 0;
    DWORD m_dwViewAdviseFlags = 0;
    volatile LONG m_nFreezeEvents = 0;

    // In-place activation.
    hx::com_ptr<IOleInPlaceSite> m_pInPlaceSite;
    hx::com_ptr<IOleInPlaceFrame> m_pInPlaceFrame;
    hx::com_ptr<IOleInPlaceUIWindow> m_pInPlaceDoc;
    bool m_bInPlaceActive = false;
    bool m_bUIActive = false;
    RECT m_rcPos = {0, 0, 0, 0}; // in the site's window
    std::unique_ptr<CWnd> m_pReflect;

    // Extent in HIMETRIC units: the current one and the one a reset gives.
    SIZEL m_sizeExtent = {0, 0};
    SIZEL m_sizeExtentDefault = {0, 0};
    DWORD m_dwVersionLoaded = 0;
    bool m_bSaveCompletedClears = false; // IPersistStorage: Save waits for SaveCompleted

private:

    // Locked at the first use for the object's life, so that the library
    // stays loaded while the object may ask again.
    CTypeLibCache* m_pLockedTypeLibCache = nullptr;
};

// The control's type name (a string resource of the module) and the
// miscellaneous status bits that GetMiscStatus answers, the same bits that
// the control registers.
#define DECLARE_OLECTLTYPE(class_name)                                                             \
protected:                                                                                         \
    UINT GetUserTypeNameID() override;                                                             \
    DWORD GetMiscStatus() override;                                                                \
                                                                                                   \
private:

#define IMPLEMENT_OLECTLTYPE(class_name, idsUserTypeName, dwOleMisc)                               \
    UINT class_name::GetUserTypeNameID() {                                                         \
        return idsUserTypeName;                                                                    \
    }                                                                                              \
    DWORD class_name::GetMiscStatus() {                                                            \
        return dwOleMisc;                                                                          \
    }

// The control's property pages, by class identifier:
//   BEGIN_PROPPAGEIDS(CMyCtrl, 1)
//       PROPPAGEID(CMyPropPage::guid)
//   END_PROPPAGEIDS(CMyCtrl)
#define DECLARE_PROPPAGEIDS(class_name)                                                            \
protected:                                                                                         \
    const CLSID* GetPropPageIDs(ULONG& cPropPages) override;                                       \
                                                                                                   \
private:

#define BEGIN_PROPPAGEIDS(class_name, count)                                                       \
    const CLSID* class_name::GetPropPageIDs(ULONG& cPropPages) {                                   \
        static const CLSID pages[count] = {
#define PROPPAGEID(clsid) clsid,
#define END_PROPPAGEIDS(class_name)                                                                \
    }                                                                                              \
    ;                                                                                              \
    cPropPages = static_cast<ULONG>(sizeof pages / sizeof pages[0]);                               \
    return pages;                                                                                  \
    }
