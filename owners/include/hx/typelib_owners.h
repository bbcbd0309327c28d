// Scoped release of what type information hands out: a type's attributes, a
// function's or variable's description, a library's attributes. Each owner
// keeps a reference on the interface that must release it.
//
//   hx::unique_typeattr attr;
//   RETURN_IF_FAILED(info->GetTypeAttr(attr.put(info)));
//   use(attr->cFuncs);
#pragma once

#include "hx/com_ptr.h"

#include <oaidl.h>

#include <utility>

namespace hx {

template <class Source, class Attr, void (STDMETHODCALLTYPE Source::*Release)(Attr*)>
class unique_typelib_attr {
public:
    unique_typelib_attr() noexcept = default;
    unique_typelib_attr(const unique_typelib_attr&) = delete;
    unique_typelib_attr& operator=(const unique_typelib_attr&) = delete;
    unique_typelib_attr(unique_typelib_attr&& other) noexcept
        : m_source(std::move(other.m_source)), m_attr(std::exchange(other.m_attr, nullptr)) {}
    unique_typelib_attr& operator=(unique_typelib_attr&& other) noexcept {
        if (this != &other) {
            reset();
            m_source = std::move(other.m_source);
            m_attr = std::exchange(other.m_attr, nullptr);
        }
        return *this;
    }
    ~unique_typelib_attr() { reset(); }

    void reset() noexcept {
        if (Attr* attr = std::exchange(m_attr, nullptr)) (m_source.get()->*Release)(attr);
        m_source.reset();
    }
    // For the out-parameter of the call on source that hands out the data.
    Attr** put(Source* source) noexcept {
        reset();
        m_source = com_ptr<Source>(source);
        return &m_attr;
    }

    const Attr* get() const noexcept { return m_attr; }
    const Attr* operator->() const noexcept { return m_attr; }
    explicit operator bool() const noexcept { return m_attr != nullptr; }

private:
    com_ptr<Source> m_source;
    Attr* m_attr = nullptr;
};

using unique_typeattr = unique_typelib_attr<ITypeInfo, TYPEATTR, &ITypeInfo::ReleaseTypeAttr>;
using unique_funcdesc = unique_typelib_attr<ITypeInfo, FUNCDESC, &ITypeInfo::ReleaseFuncDesc>;
using unique_vardesc = unique_typelib_attr<ITypeInfo, VARDESC, &ITypeInfo::ReleaseVarDesc>;
using unique_tlibattr = unique_typelib_attr<ITypeLib, TLIBATTR, &ITypeLib::ReleaseTLibAttr>;

} // namespace hx
