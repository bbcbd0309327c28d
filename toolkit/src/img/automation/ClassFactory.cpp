#include "ClassFactory.h"

#include "ServerModule.h"
#include "SimulatorObject.h"

namespace hxk {

SimulatorFactory& simulatorFactory() {
    static SimulatorFactory factory;
    return factory;
}

STDMETHODIMP SimulatorFactory::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// The factory is static: its references only keep the module loaded.
STDMETHODIMP_(ULONG) SimulatorFactory::AddRef() {
    server::lock();
    return 2;
}

STDMETHODIMP_(ULONG) SimulatorFactory::Release() {
    server::unlock();
    return 1;
}

STDMETHODIMP SimulatorFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return SimulatorObject::create(riid, object);
}

STDMETHODIMP SimulatorFactory::LockServer(BOOL lock) {
    if (lock) {
        server::lock();
    } else {
        server::unlock();
    }
    return S_OK;
}

} // namespace hxk
