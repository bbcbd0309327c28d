// A container's property bag for the persistence suites: named VARIANTs,
// read in the bag's own types (as text-based bags do, a value may come back
// as a string), and writes that can be made to fail.
#pragma once

#include "ComTestSupport.h"

#include <ocidl.h>

#include <atomic>
#include <map>
#include <string>

namespace hxtest {

class TestPropertyBag : public ComObject<IPropertyBag> {
public:
    TestPropertyBag() : ComObject(IID_IPropertyBag) {}
    std::map<std::wstring, Var> values;
    bool failWrites = false;

    STDMETHOD(Read)(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
        const auto found = values.find(name);
        if (found == values.end()) return E_INVALIDARG; // what bags answer for a missing name
        VariantClear(value);
        return VariantCopy(value, &found->second.v);
    }
    STDMETHOD(Write)(LPCOLESTR name, VARIANT* value) override {
        if (failWrites) return E_FAIL;
        Var copy;
        VariantCopy(&copy.v, value);
        values[name] = copy;
        return S_OK;
    }
};

} // namespace hxtest
