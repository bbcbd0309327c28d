// The class factory of "HXKSim.Simulator". One static instance; while it is
// referenced (or locked) the server stays loaded.
#pragma once

#include <unknwn.h>

namespace hxk {

class SimulatorFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    STDMETHODIMP LockServer(BOOL lock) override;
};

SimulatorFactory& simulatorFactory();

} // namespace hxk
