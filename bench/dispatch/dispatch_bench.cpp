// Cost of one line read (GetInBit) three ways, measured side by side:
//   direct    the toolkit operation ReadInputLine called from C++;
//   ours      IDispatch::Invoke of the control (its dispatch table);
//   standard  IDispatch::Invoke of CreateStdDispatch over an equivalent
//             vtable interface described by a type library.
// Printed as nanoseconds per call and as ratios.
#include "BenchPorts_h.h"
#include "HXDigIODispIds.h"
#include "HXDigIO_h.h"
#include "HXKSim.h"
#include "SideBySide.h"
#include "hx/com_ptr.h"

#include <ole2.h>


namespace {

constexpr DISPID kGetInBit = HXDISPID_GETINBIT;
constexpr int32_t kInputs = 8, kPort = 3;

// The same work behind a vtable: index check against the count, then the
// toolkit read. It lives on the stack, so it does not count references.
class BenchPorts : public IBenchPorts {
public:
    explicit BenchPorts(HXKIMAGE image) : m_image(image) {}
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override {
        const bool known = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBenchPorts);
        *ppv = known ? this : nullptr;
        return known ? S_OK : E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return 2; }
    STDMETHOD_(ULONG, Release)() override { return 1; }
    STDMETHOD(GetInBit)(LONG port, LONG* value) override {
        int32_t level = 0;
        const bool read = port >= 0 && port < kInputs && ReadInputLine(m_image, port, &level) == 0;
        *value = read ? level : 0;
        return S_OK;
    }

private:
    HXKIMAGE m_image;
};

// Every GetInBit call must answer HI (1); `failed` records any that did not.
int Run(HXKIMAGE image) {
    BenchPorts ports(image); // outlives the standard dispatch made over it
    hx::com_ptr<IClassFactory> factory;
    hx::com_ptr<IDispatch> control, standard;
    hx::com_ptr<ITypeLib> library;
    hx::com_ptr<ITypeInfo> info;
    hx::com_ptr<IUnknown> standardUnknown;
    VARIANT handle;
    handle.vt = VT_I8;
    handle.llVal = reinterpret_cast<intptr_t>(image);
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS bind = {&handle, &put, 1, 1};
    WCHAR self[MAX_PATH] = {}; // the benchmark's type library is its own resource
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    HMODULE ocx = LoadLibraryA("HXDigIO.ocx"); // stays loaded until the process ends
    auto* getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(ocx, "DllGetClassObject")));
    HRESULT hr = getClassObject ? getClassObject(CLSID_HXdigIO, IID_IClassFactory, factory.put_void())
                                : HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    if (SUCCEEDED(hr)) hr = factory->CreateInstance(nullptr, IID_IDispatch, control.put_void());
    if (SUCCEEDED(hr))
        hr =
            control->Invoke(HXDISPID_IMAGE, IID_NULL, 0, DISPATCH_PROPERTYPUT, &bind, nullptr, nullptr, nullptr);
    if (SUCCEEDED(hr)) hr = LoadTypeLibEx(self, REGKIND_NONE, library.put());
    if (SUCCEEDED(hr)) hr = library->GetTypeInfoOfGuid(IID_IBenchPorts, info.put());
    if (SUCCEEDED(hr))
        hr = CreateStdDispatch(nullptr, static_cast<IBenchPorts*>(&ports), info.get(),
                               standardUnknown.put());
    if (SUCCEEDED(hr)) hr = standardUnknown->QueryInterface(IID_IDispatch, standard.put_void());
    if (FAILED(hr)) {
        std::printf("dispatch_bench: set-up failed (0x%08lX)\n", static_cast<unsigned long>(hr));
        return 1;
    }

    VARIANT port, portAsDouble;
    port.vt = VT_I4;
    port.lVal = kPort;
    portAsDouble.vt = VT_R8;
    portAsDouble.dblVal = kPort;
    DISPPARAMS byI4 = {&port, nullptr, 1, 0}, byR8 = {&portAsDouble, nullptr, 1, 0};
    bool failed = false;
    auto invoke = [&failed](IDispatch* target, DISPPARAMS* params) {
        return [&failed, target, params](int calls) {
            for (int i = 0; i < calls; ++i) {
                VARIANT result;
                VariantInit(&result);
                const HRESULT r = target->Invoke(kGetInBit, IID_NULL, 0, DISPATCH_METHOD, params,
                                                 &result, nullptr, nullptr);
                failed |= FAILED(r) || result.vt != VT_I4 || result.lVal != 1;
            }
        };
    };
    auto direct = [&](int calls) {
        for (int i = 0; i < calls; ++i) {
            int32_t level = 0;
            failed |= ReadInputLine(image, kPort, &level) != 0 || level != 1;
        }
    };
    std::vector<Way> ways = {{"direct ReadInputLine", direct},
                             {"ours, VT_I4 argument", invoke(control.get(), &byI4)},
                             {"standard, VT_I4 argument", invoke(standard.get(), &byI4)},
                             {"ours, VT_R8 argument", invoke(control.get(), &byR8)},
                             {"standard, VT_R8 argument", invoke(standard.get(), &byR8)}};
    RunSideBySide("GetInBit", ways, 7, 200000);
    std::printf("ours / standard: %.2f (VT_I4), %.2f (VT_R8)\n", ways[1].best / ways[2].best,
                ways[3].best / ways[4].best);
    if (failed) std::printf("some GetInBit calls did not answer HI (FAILED)\n");
    return failed ? 2 : 0;
}

} // namespace

int main() {
    CoInitialize(nullptr);
    HXKIMAGE image = HXKSimCreateImage(kInputs, 8, 1);
    HXKSimSetInput(image, kPort, 1);
    const int result = Run(image); // the control and its dispatch are gone before the image
    ReleaseImageRef(image);
    CoUninitialize();
    return result;
}
