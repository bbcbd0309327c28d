// The control's persistence: one DoPropExchange behind IPersistStreamInit,
// IPersistPropertyBag and IPersistStorage, the persistence version, the
// modified flag, and the reset to defaults.
#include "AfxOleControl.h"

#include "hx/result_macros.h"

namespace {

// The stream of a storage that holds the control's data.
const wchar_t kContentsStream[] = L"Contents";

} // namespace

void COleControl::DoPropExchange(CPropExchange* pPX) {
    long cx = m_sizeExtent.cx;
    long cy = m_sizeExtent.cy;
    PX_Long(pPX, "_ExtentX", cx, m_sizeExtentDefault.cx);
    PX_Long(pPX, "_ExtentY", cy, m_sizeExtentDefault.cy);
    // Stored data with no size keeps the size the control has.
    if (pPX->IsLoading() && cx > 0 && cy > 0) m_sizeExtent = {cx, cy};
}

void COleControl::ExchangeVersion(CPropExchange* pPX, DWORD dwVersionDefault, BOOL bConvert) {
    pPX->ExchangeVersion(m_dwVersionLoaded, dwVersionDefault, bConvert);
}

void COleControl::OnResetState() {
    CResetPropExchange px;
    DoPropExchange(&px);
}

// After the control has taken on new data: whatever showed its properties
// shows them again.
void COleControl::OnLoaded() {
    SetModifiedFlag(FALSE);
    BoundPropertyChanged(DISPID_UNKNOWN);
    InvalidateControl();
}

HRESULT COleControl::IsDirty() {
    return m_bModified ? S_OK : S_FALSE;
}

HRESULT COleControl::InitNew() {
    OnResetState();
    OnLoaded();
    return S_OK;
}

// ---- The framework's stream format ----

HRESULT COleControl::LoadFromStream(IStream* pStm) {
    if (!pStm) return E_POINTER;
    // Read whole before anything is taken: data that is refused leaves the
    // control as it was.
    CPropertySet set;
    RETURN_IF_FAILED(set.ReadFrom(pStm));
    CPropsetPropExchange px(set, TRUE);
    DoPropExchange(&px);
    OnLoaded();
    return S_OK;
}

HRESULT COleControl::SaveToStream(IStream* pStm) {
    if (!pStm) return E_POINTER;
    CPropertySet set;
    CPropsetPropExchange px(set, FALSE);
    DoPropExchange(&px);
    if (px.HasFailed()) return E_FAIL;
    return set.WriteTo(pStm);
}

// ---- IPersistStreamInit ----

HRESULT COleControl::Load(LPSTREAM pStm) {
    return LoadFromStream(pStm);
}

HRESULT COleControl::Save(LPSTREAM pStm, BOOL fClearDirty) {
    RETURN_IF_FAILED(SaveToStream(pStm));
    if (fClearDirty) SetModifiedFlag(FALSE);
    return S_OK;
}

HRESULT COleControl::GetSizeMax(ULARGE_INTEGER* pcbSize) {
    if (!pcbSize) return E_POINTER;
    CPropertySet set;
    CPropsetPropExchange px(set, FALSE);
    DoPropExchange(&px);
    pcbSize->QuadPart = set.GetStreamSize();
    return S_OK;
}

// ---- IPersistPropertyBag ----

HRESULT COleControl::Load(IPropertyBag* pPropBag, IErrorLog* pErrorLog) {
    if (!pPropBag) return E_POINTER;
    CPropbagPropExchange px(pPropBag, pErrorLog, TRUE);
    DoPropExchange(&px);
    OnLoaded();
    return S_OK;
}

HRESULT COleControl::Save(IPropertyBag* pPropBag, BOOL fClearDirty, BOOL) {
    if (!pPropBag) return E_POINTER;
    // Every property is written, whether or not it holds its default.
    CPropbagPropExchange px(pPropBag, nullptr, FALSE);
    DoPropExchange(&px);
    if (px.HasFailed()) return E_FAIL;
    if (fClearDirty) SetModifiedFlag(FALSE);
    return S_OK;
}

// ---- IPersistStorage ----

HRESULT COleControl::InitNew(IStorage* pStg) {
    if (!pStg) return E_POINTER;
    return InitNew();
}

HRESULT COleControl::Load(IStorage* pStg) {
    if (!pStg) return E_POINTER;
    hx::com_ptr<IStream> contents;
    RETURN_IF_FAILED(pStg->OpenStream(kContentsStream, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                      contents.put()));
    return LoadFromStream(contents.get());
}

HRESULT COleControl::Save(IStorage* pStgSave, BOOL) {
    if (!pStgSave) return E_POINTER;
    hx::com_ptr<IStream> contents;
    RETURN_IF_FAILED(pStgSave->CreateStream(
        kContentsStream, STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, contents.put()));
    RETURN_IF_FAILED(SaveToStream(contents.get()));
    // The container confirms the save with SaveCompleted.
    m_bSaveCompletedClears = true;
    return S_OK;
}

HRESULT COleControl::SaveCompleted(IStorage*) {
    if (m_bSaveCompletedClears) SetModifiedFlag(FALSE);
    m_bSaveCompletedClears = false;
    return S_OK;
}

HRESULT COleControl::HandsOffStorage() {
    return S_OK; // the control keeps no storage: it reads and writes whole
}
