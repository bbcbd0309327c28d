// Cost of one line read (GetInBit) three ways, measured side by side:
//   direct    the toolkit operation ReadInputLine called from C++;
//   ours      IDispatch::Invoke of the control (its dispatch table);
//   standard  IDispatch::Invoke of CreateStdDispatch over an equivalent
//             vtable interface described by a type library.
// Each way runs in alternating rounds; the best round of each is compared.
// Printed as nanoseconds per call and as ratios.
#include "BenchPorts_h.h"
#include "HXDigIO_h.h"
#include "HXKSim.h"

#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kCallsPerRound = 200000;
constexpr int kRounds = 7;
constexpr DISPID kGetInBit = 12;

// The same work behind a vtable: index check against the count, then the
// toolkit read.
class BenchPorts : public IBenchPorts {
public:
    BenchPorts(HXKIMAGE image, int32_t inputs) : m_image(image), m_inputs(inputs) {}
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IBenchPorts))
            return E_NOINTERFACE;
        *ppv = static_cast<IBenchPorts*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++m_ref; }
    STDMETHOD_(ULONG, Release)() override { return --m_ref; } // lives on the stack
    STDMETHOD(GetInBit)(LONG port, LONG* value) override {
        if (!value) return E_POINTER;
        *value = 0;
        if (port < 0 || port >= m_inputs) return S_OK;
        int32_t level = 0;
        if (ReadInputLine(m_image, port, &level) == 0) *value = level;
        return S_OK;
    }

private:
    HXKIMAGE m_image;
    int32_t m_inputs;
    ULONG m_ref = 1;
};

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Nanoseconds per call of the best round.
struct Way {
    const char* name;
    std::function<bool()> call; // false: the call failed
    double best = 1e300;
    bool failed = false;
};

void RunRounds(std::vector<Way>& ways) {
    for (int round = 0; round < kRounds; ++round) {
        for (Way& way : ways) {
            LARGE_INTEGER start, stop;
            QueryPerformanceCounter(&start);
            for (int i = 0; i < kCallsPerRound; ++i)
                way.failed |= !way.call();
            QueryPerformanceCounter(&stop);
            way.best = std::min(way.best, Seconds(start, stop) * 1e9 / kCallsPerRound);
        }
    }
}

std::string Folder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string exe(path);
    return exe.substr(0, exe.find_last_of('\\') + 1);
}

int Fail(const char* what, HRESULT hr) {
    std::printf("dispatch_bench: %s failed (0x%08lX)\n", what, static_cast<unsigned long>(hr));
    return 1;
}

} // namespace

int main() {
    if (FAILED(CoInitialize(nullptr))) return Fail("CoInitialize", E_FAIL);
    HMODULE ocx = LoadLibraryA((Folder() + "HXDigIO.ocx").c_str());
    if (!ocx) return Fail("loading HXDigIO.ocx", HRESULT_FROM_WIN32(GetLastError()));
    auto* getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(ocx, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    IDispatch* control = nullptr;
    HRESULT hr =
        getClassObject(CLSID_HXdigIO, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (SUCCEEDED(hr))
        hr = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&control));
    if (factory) factory->Release();
    if (FAILED(hr)) return Fail("creating the control", hr);

    const int32_t inputs = 8;
    HXKIMAGE image = HXKSimCreateImage(inputs, 8, 1);
    HXKSimSetInput(image, 3, 1);
    VARIANT handle;
    handle.vt = VT_I8;
    handle.llVal = static_cast<LONGLONG>(reinterpret_cast<intptr_t>(image));
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS bind = {&handle, &put, 1, 1};
    hr = control->Invoke(3, IID_NULL, 0, DISPATCH_PROPERTYPUT, &bind, nullptr, nullptr, nullptr);
    if (FAILED(hr)) return Fail("binding the image", hr);

    ITypeLib* library = nullptr;
    const std::wstring self = [] {
        WCHAR path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        return std::wstring(path);
    }();
    hr = LoadTypeLibEx(self.c_str(), REGKIND_NONE, &library);
    ITypeInfo* info = nullptr;
    if (SUCCEEDED(hr)) hr = library->GetTypeInfoOfGuid(IID_IBenchPorts, &info);
    if (FAILED(hr)) return Fail("loading the benchmark's type library", hr);
    BenchPorts ports(image, inputs);
    IUnknown* standardUnknown = nullptr;
    IDispatch* standard = nullptr;
    hr = CreateStdDispatch(nullptr, static_cast<IBenchPorts*>(&ports), info, &standardUnknown);
    if (SUCCEEDED(hr))
        hr = standardUnknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&standard));
    if (FAILED(hr)) return Fail("CreateStdDispatch", hr);

    VARIANT port;
    port.vt = VT_I4;
    port.lVal = 3;
    VARIANT portAsDouble;
    portAsDouble.vt = VT_R8;
    portAsDouble.dblVal = 3.0;
    DISPPARAMS byI4 = {&port, nullptr, 1, 0};
    DISPPARAMS byR8 = {&portAsDouble, nullptr, 1, 0};
    auto invoke = [](IDispatch* target, DISPPARAMS* params) {
        VARIANT result;
        VariantInit(&result);
        const HRESULT r = target->Invoke(kGetInBit, IID_NULL, 0, DISPATCH_METHOD, params, &result,
                                         nullptr, nullptr);
        return SUCCEEDED(r) && result.vt == VT_I4 && result.lVal == 1;
    };
    std::vector<Way> ways = {
        {"direct ReadInputLine",
         [&] {
             int32_t level = 0;
             return ReadInputLine(image, 3, &level) == 0 && level == 1;
         }},
        {"ours, VT_I4 argument", [&] { return invoke(control, &byI4); }},
        {"standard, VT_I4 argument", [&] { return invoke(standard, &byI4); }},
        {"ours, VT_R8 argument", [&] { return invoke(control, &byR8); }},
        {"standard, VT_R8 argument", [&] { return invoke(standard, &byR8); }},
    };
    RunRounds(ways);

    std::printf("GetInBit, best of %d rounds of %d calls each\n", kRounds, kCallsPerRound);
    for (const Way& way : ways)
        std::printf("  %-26s %9.1f ns/call%s\n", way.name, way.best,
                    way.failed ? "  (FAILED)" : "");
    const double direct = ways[0].best;
    std::printf("ratios\n");
    std::printf("  ours / direct             %6.2f\n", ways[1].best / direct);
    std::printf("  standard / direct         %6.2f\n", ways[2].best / direct);
    std::printf("  ours / standard (VT_I4)   %6.2f\n", ways[1].best / ways[2].best);
    std::printf("  ours / standard (VT_R8)   %6.2f\n", ways[3].best / ways[4].best);
    const bool ok = ways[1].best <= ways[2].best && ways[3].best <= ways[4].best;
    std::printf("ours costs no more than the standard dispatch: %s\n", ok ? "yes" : "NO");

    bool failed = false;
    for (const Way& way : ways)
        failed |= way.failed;
    standard->Release();
    standardUnknown->Release();
    info->Release();
    library->Release();
    handle.llVal = 0;
    control->Invoke(3, IID_NULL, 0, DISPATCH_PROPERTYPUT, &bind, nullptr, nullptr, nullptr);
    control->Release();
    ReleaseImageRef(image);
    FreeLibrary(ocx);
    CoUninitialize();
    return failed ? 2 : 0;
}
