// Dispatch tables: each automation class lists its members (name, DISPID,
// kind, parameter and result types, the C++ member) and CCmdTarget drives
// GetIDsOfNames and Invoke from the table.
//
//   BEGIN_DISPATCH_MAP(CMine, CCmdTarget)
//       DISP_PROPERTY_EX_ID(CMine, "Count", 1, GetCount, SetNotSupported, VT_I4)
//       DISP_FUNCTION_ID(CMine, "Add", 2, Add, VT_I4, VTS_I4 VTS_I4)
//       DISP_FUNCTION_ID(CMine, "Find", 3, Find, VT_VARIANT, VTS_BSTR VTS_OPTIONAL VTS_BOOL)
//   END_DISPATCH_MAP()
//
// The declared types are checked against the member's C++ signature when the
// table is compiled. C++ types per VARTYPE: VT_I2 short, VT_I4 long, VT_I8
// LONGLONG, VT_R8 double, VT_BOOL BOOL or VARIANT_BOOL, VT_BSTR BSTR (a
// parameter is borrowed, a result is handed to the caller), VT_EMPTY void
// (results only), VT_VARIANT hx::unique_variant (results only: the member
// picks the type when it runs). Parameters after VTS_OPTIONAL may be left
// out (or passed as VT_ERROR DISP_E_PARAMNOTFOUND, as script hosts do); the
// member takes them as std::optional and supplies its own defaults. A getter
// `void GetNotSupported()` or a setter `void SetNotSupported()` makes the
// property write-only or read-only.
#pragma once

#include "hx/bstr.h"
#include "hx/variant.h"

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <climits>
#include <cstddef>
#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>

class CCmdTarget;

// Parameter type strings: one byte per parameter, its VARTYPE.
#define VTS_NONE ""
#define VTS_I2 "\x02"
#define VTS_I4 "\x03"
#define VTS_R8 "\x05"
#define VTS_BSTR "\x08"
#define VTS_BOOL "\x0B"
#define VTS_I8 "\x14"
// Events only: a BOOL passed by reference (VT_BOOL | VT_BYREF), read back
// after the sinks have run.
#define VTS_PBOOL "\x4B"
#define AFX_VTS_BYREF 0x40
// Methods only: the parameters that follow are optional.
#define VTS_OPTIONAL "|"

// The most parameters a member may have.
constexpr unsigned AFX_MAX_DISP_PARAMS = 16;

enum class AfxDispKind : unsigned char { Method, Property };

// Calls a member with arguments already coerced to their declared types, in
// declaration order. Failures leave it as exceptions.
using AfxDispCall = void (*)(CCmdTarget* target, VARIANT* args, VARTYPE vtResult, VARIANT* result);

struct AFX_DISPMAP_ENTRY {
    const char* lpszName; // null ends the table
    DISPID lDispID;
    AfxDispKind kind;
    VARTYPE vt;             // a method's result, a property's type
    const char* lpszParams; // a method's parameter types (VTS_OPTIONAL included)
    unsigned nParams;
    unsigned nRequired;  // the parameters before VTS_OPTIONAL
    AfxDispCall pfnCall; // a method, or a property's getter (null: not readable)
    AfxDispCall pfnSet;  // a property's setter (null: read-only)
};

struct AFX_DISPMAP {
    const AFX_DISPMAP* pBaseMap;
    const AFX_DISPMAP_ENTRY* lpEntries;
};

// A VT_VARIANT result for script languages that have no 64-bit integer:
// VT_I4 when the number fits, VT_R8 otherwise (exact up to 2^53).
inline hx::unique_variant AfxScriptNumber(long long number) {
    hx::unique_variant result;
    VARIANT& value = *result.addressof();
    if (number >= LONG_MIN && number <= LONG_MAX) {
        value.vt = VT_I4;
        value.lVal = static_cast<LONG>(number);
    } else {
        value.vt = VT_R8;
        value.dblVal = static_cast<double>(number);
    }
    return result;
}

namespace afx {

constexpr char kVtsOptional = VTS_OPTIONAL[0];

// An optional argument the caller left out.
inline bool IsMissing(const VARIANT& v) {
    return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND;
}

// How a C++ type is carried in a VARIANT.
template <class T> struct VariantStorage;

template <> struct VariantStorage<short> {
    static constexpr bool Accepts(VARTYPE vt) { return vt == VT_I2 || vt == VT_BOOL; }
    static short Get(const VARIANT& v) { return v.iVal; }
    static void Put(VARIANT& v, short value) { v.iVal = value; }
};
template <> struct VariantStorage<long> {
    static constexpr bool Accepts(VARTYPE vt) { return vt == VT_I4; }
    static long Get(const VARIANT& v) { return v.lVal; }
    static void Put(VARIANT& v, long value) { v.lVal = value; }
};
template <> struct VariantStorage<int> { // BOOL
    static constexpr bool Accepts(VARTYPE vt) { return vt == VT_BOOL; }
    static int Get(const VARIANT& v) { return v.boolVal != VARIANT_FALSE; }
    static void Put(VARIANT& v, int value) { v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE; }
};
template <> struct VariantStorage<long long> {
    static constexpr bool Accepts(VARTYPE vt) { return vt == VT_I8; }
    static long long Get(const VARIANT& v) { return v.llVal; }
    static void Put(VARIANT& v, long long value) { v.llVal = value; }
};
template <> struct VariantStorage<double> {
    static constexpr bool Accepts(VARTYPE vt) { return vt == VT_R8; }
    static double Get(const VARIANT& v) { return v.dblVal; }
    static void Put(VARIANT& v, double value) { v.dblVal = value; }
};
template <> struct VariantStorage<BSTR> {
    static constexpr bool Accepts(VARTYPE vt) { return vt == VT_BSTR; }
    static BSTR Get(const VARIANT& v) { return v.bstrVal; }
    static void Put(VARIANT& v, BSTR value) { v.bstrVal = value; }
};
template <> struct VariantStorage<hx::unique_variant> {
    static constexpr bool Accepts(VARTYPE vt) { return vt == VT_VARIANT; }
};
template <class T> struct VariantStorage<std::optional<T>> {
    static constexpr bool Accepts(VARTYPE vt) { return VariantStorage<T>::Accepts(vt); }
    static std::optional<T> Get(const VARIANT& v) {
        if (IsMissing(v)) return std::nullopt;
        return VariantStorage<T>::Get(v);
    }
};
template <class T> constexpr bool kIsOptional = false;
template <class T> constexpr bool kIsOptional<std::optional<T>> = true;

template <class T> using Bare = std::remove_cv_t<std::remove_reference_t<T>>;

template <class Pmf> struct MemberTraits;
template <class C, class R, class... A> struct MemberTraits<R (C::*)(A...)> {
    using Class = C;
    using Result = R;
    using Args = std::tuple<Bare<A>...>;
};
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...) const> : MemberTraits<R (C::*)(A...)> {};
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...) noexcept> : MemberTraits<R (C::*)(A...)> {};
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...) const noexcept> : MemberTraits<R (C::*)(A...)> {};

template <auto Pmf> using ClassOf = typename MemberTraits<decltype(Pmf)>::Class;
template <auto Pmf> using ResultOf = typename MemberTraits<decltype(Pmf)>::Result;
template <auto Pmf> using ArgsOf = typename MemberTraits<decltype(Pmf)>::Args;
template <auto Pmf> constexpr std::size_t ArityOf = std::tuple_size_v<ArgsOf<Pmf>>;

constexpr std::size_t VtsLength(const char* vts) {
    std::size_t n = 0;
    while (vts[n] != '\0')
        ++n;
    return n;
}
// The parameters before VTS_OPTIONAL (all of them when there is none).
constexpr std::size_t VtsRequired(const char* vts) {
    std::size_t n = 0;
    while (vts[n] != '\0' && vts[n] != kVtsOptional)
        ++n;
    return n;
}
constexpr std::size_t VtsCount(const char* vts) {
    const std::size_t length = VtsLength(vts);
    return VtsRequired(vts) < length ? length - 1 : length;
}
// The declared type of parameter i, stepping over VTS_OPTIONAL.
constexpr VARTYPE VtsParam(const char* vts, std::size_t i, std::size_t required) {
    return static_cast<VARTYPE>(static_cast<unsigned char>(vts[i < required ? i : i + 1]));
}

template <auto Pmf> constexpr bool ResultMatches(VARTYPE vt) {
    if constexpr (std::is_void_v<ResultOf<Pmf>>)
        return vt == VT_EMPTY;
    else
        return VariantStorage<Bare<ResultOf<Pmf>>>::Accepts(vt);
}

// Each parameter has its declared type, and is a std::optional exactly when
// it follows VTS_OPTIONAL.
template <auto Pmf, std::size_t... I>
constexpr bool EachParamMatches(const char* vts, std::index_sequence<I...>) {
    const std::size_t required = VtsRequired(vts);
    return ((VariantStorage<std::tuple_element_t<I, ArgsOf<Pmf>>>::Accepts(
                 VtsParam(vts, I, required)) &&
             kIsOptional<std::tuple_element_t<I, ArgsOf<Pmf>>> == (I >= required)) &&
            ...);
}

template <auto Pmf> constexpr bool ParamsMatch(const char* vts) {
    return VtsCount(vts) == ArityOf<Pmf> && VtsLength(vts) - VtsCount(vts) <= 1 &&
           EachParamMatches<Pmf>(vts, std::make_index_sequence<ArityOf<Pmf>>());
}

template <auto Pmf, std::size_t... I>
void CallMember(CCmdTarget* target, [[maybe_unused]] VARIANT* args,
                [[maybe_unused]] VARTYPE vtResult, [[maybe_unused]] VARIANT* result,
                std::index_sequence<I...>) {
    auto* self = static_cast<ClassOf<Pmf>*>(target);
    using R = Bare<ResultOf<Pmf>>;
    if constexpr (std::is_void_v<ResultOf<Pmf>>) {
        (self->*Pmf)(VariantStorage<std::tuple_element_t<I, ArgsOf<Pmf>>>::Get(args[I])...);
    } else {
        R value =
            (self->*Pmf)(VariantStorage<std::tuple_element_t<I, ArgsOf<Pmf>>>::Get(args[I])...);
        if constexpr (std::is_same_v<R, hx::unique_variant>) {
            if (result) *result = value.release();
        } else if (result) {
            VariantStorage<R>::Put(*result, value);
            result->vt = vtResult;
        } else if constexpr (std::is_same_v<R, BSTR>) {
            const hx::unique_bstr unclaimed(value); // a result nobody takes
        }
    }
}

template <auto Pmf>
void CallThunk(CCmdTarget* target, VARIANT* args, VARTYPE vtResult, VARIANT* result) {
    CallMember<Pmf>(target, args, vtResult, result, std::make_index_sequence<ArityOf<Pmf>>());
}

// `void GetNotSupported()` / `void SetNotSupported()`.
template <auto Pmf> constexpr bool IsNotSupportedMarker() {
    return std::is_void_v<ResultOf<Pmf>> && ArityOf<Pmf> == 0;
}

// Evaluated at compile time: a mismatch between the declared types and the
// member stops the build here.
template <auto Pmf>
consteval AFX_DISPMAP_ENTRY MakeMethodEntry(const char* name, DISPID dispid, VARTYPE vtResult,
                                            const char* vtsParams) {
    if (!ResultMatches<Pmf>(vtResult)) throw "dispatch map: result type does not match the member";
    if (!ParamsMatch<Pmf>(vtsParams)) throw "dispatch map: parameters do not match the member";
    if (ArityOf < Pmf >> AFX_MAX_DISP_PARAMS) throw "dispatch map: too many parameters";
    return {name,
            dispid,
            AfxDispKind::Method,
            vtResult,
            vtsParams,
            static_cast<unsigned>(ArityOf<Pmf>),
            static_cast<unsigned>(VtsRequired(vtsParams)),
            &CallThunk<Pmf>,
            nullptr};
}

template <auto Get, auto Set>
consteval AFX_DISPMAP_ENTRY MakePropertyEntry(const char* name, DISPID dispid, VARTYPE vt) {
    AfxDispCall get = nullptr;
    AfxDispCall set = nullptr;
    if constexpr (!IsNotSupportedMarker<Get>()) {
        if (ArityOf<Get> != 0 || !ResultMatches<Get>(vt))
            throw "dispatch map: getter does not match the property type";
        get = &CallThunk<Get>;
    }
    if constexpr (!IsNotSupportedMarker<Set>()) {
        if (!std::is_void_v<ResultOf<Set>> || ArityOf<Set> != 1)
            throw "dispatch map: a setter takes one value and returns nothing";
        if (!VariantStorage<std::tuple_element_t<0, ArgsOf<Set>>>::Accepts(vt))
            throw "dispatch map: setter does not match the property type";
        set = &CallThunk<Set>;
    }
    return {name, dispid, AfxDispKind::Property, vt, "", 0, 0, get, set};
}

} // namespace afx

#define DECLARE_DISPATCH_MAP()                                                                     \
private:                                                                                           \
    static const AFX_DISPMAP_ENTRY _dispatchEntries[];                                             \
                                                                                                   \
protected:                                                                                         \
    static const AFX_DISPMAP dispatchMap;                                                          \
    const AFX_DISPMAP* GetDispatchMap() const override;                                            \
                                                                                                   \
private:

#define BEGIN_DISPATCH_MAP(theClass, baseClass)                                                    \
    const AFX_DISPMAP* theClass::GetDispatchMap() const {                                          \
        return &theClass::dispatchMap;                                                             \
    }                                                                                              \
    const AFX_DISPMAP theClass::dispatchMap = {&baseClass::dispatchMap,                            \
                                               &theClass::_dispatchEntries[0]};                    \
    const AFX_DISPMAP_ENTRY theClass::_dispatchEntries[] = {

#define DISP_FUNCTION_ID(theClass, szExternalName, dispid, pfnMember, vtRetVal, vtsParams)         \
    afx::MakeMethodEntry<&theClass::pfnMember>(szExternalName, dispid, vtRetVal, vtsParams),

#define DISP_PROPERTY_EX_ID(theClass, szExternalName, dispid, pfnGet, pfnSet, vtPropType)          \
    afx::MakePropertyEntry<&theClass::pfnGet, &theClass::pfnSet>(szExternalName, dispid,           \
                                                                 vtPropType),

#define END_DISPATCH_MAP()                                                                         \
    AFX_DISPMAP_ENTRY {                                                                            \
        nullptr, 0, AfxDispKind::Method, VT_EMPTY, nullptr, 0, 0, nullptr, nullptr                 \
    }                                                                                              \
    }                                                                                              \
    ;
