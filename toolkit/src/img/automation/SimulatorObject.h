// The "HXKSim.Simulator" object: a plain IDispatch over the member table.
// It keeps no state of its own (the simulated images are process-wide), so
// any thread may call it: registered with ThreadingModel "Both".
#pragma once

#include <oaidl.h>

#include <atomic>

namespace hxk {

class SimulatorObject final : public IDispatch {
public:
    static HRESULT create(REFIID riid, void** object);

    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                               DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argErr) override;

private:
    SimulatorObject();
    ~SimulatorObject();

    std::atomic<ULONG> references_{1};
};

} // namespace hxk
