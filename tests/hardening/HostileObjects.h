// What a hostile container hands the control: VARIANTs of every type and
// shape (by value, by reference, arrays, null pointers, types that do not
// exist), objects that answer a value or fail, streams that end or fail
// midway, property bags that answer anything, and the framework's stream
// format filled with values of the fuzzer's choosing. Everything handed out
// stays owned here, so that the fuzzer can tell afterwards whether the
// control kept a reference.
#pragma once

#include "ComTestSupport.h"

#include <windows.h>
#include <ocidl.h>
#include <oleauto.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace hostile {

using hxtest::ComObject;
using hxtest::ValueObject;

// Makes VARIANTs and keeps what they point to until Release().
class VariantFactory {
public:
    explicit VariantFactory(std::mt19937_64& rng) : m_rng(rng) {}
    VariantFactory(const VariantFactory&) = delete;
    VariantFactory& operator=(const VariantFactory&) = delete;
    ~VariantFactory() { Release(); }

    // Any VARIANT at all.
    VARIANT Any(int depth = 0) {
        VARIANT v;
        VariantInit(&v);
        // Inside a reference, mostly another reference.
        const int roll = depth > 0 && Chance(0.5) ? 70 : Between(0, 99);
        if (roll < 40) return Scalar();
        if (roll < 50) return Text();
        if (roll < 57) return Object(Chance(0.5) ? VT_DISPATCH : VT_UNKNOWN);
        if (roll < 64) return Array();
        if (roll < 92) return ByReference(depth);
        // Types no VARIANT may have, and one that needs a record.
        static const VARTYPE invalid[] = {15,       0x7FFF, VT_VECTOR | VT_I4, VT_BYREF, VT_RECORD,
                                          VT_ARRAY, 0x0FFF, VT_VARIANT};
        v.vt = invalid[Between(0, static_cast<int>(std::size(invalid)) - 1)];
        v.llVal = static_cast<LONGLONG>(m_rng());
        if (v.vt == VT_RECORD) v.pRecInfo = nullptr, v.pvRecord = nullptr;
        return v;
    }

    // A VARIANT meant as an argument of this type, in a form that converts
    // (or, now and then, does not).
    VARIANT Typed(VARTYPE vt, LONGLONG worker, LONGLONG image) {
        VARIANT v;
        VariantInit(&v);
        const LONGLONG number = vt == VT_I8 ? (Chance(0.5) ? worker : image) : SmallNumber();
        switch (Between(0, 9)) {
        case 0: // as text
            v.vt = VT_BSTR;
            v.bstrVal = Keep(SysAllocString(std::to_wstring(number).c_str()));
            return v;
        case 1: // as a double
            v.vt = VT_R8;
            v.dblVal = static_cast<double>(number);
            return v;
        case 2: { // by reference
            Slot& slot = NewSlot();
            slot.i8 = number;
            v.vt = VT_BYREF | vt;
            v.byref = &slot.i8;
            return v;
        }
        case 3:
            return Any();
        default:
            v.vt = vt;
            v.llVal = vt == VT_I4 ? static_cast<LONGLONG>(static_cast<LONG>(number)) : number;
            if (vt == VT_I4) v.lVal = static_cast<LONG>(number);
            return v;
        }
    }

    // Frees what was handed out since the last call; objects that someone
    // still holds are noted (see HeldObjects).
    void Release() {
        for (BSTR text : m_texts)
            SysFreeString(text);
        m_texts.clear();
        for (SAFEARRAY* array : m_arrays)
            SafeArrayDestroy(array);
        m_arrays.clear();
        for (ValueObject* object : m_objects) {
            if (object->RefCount() != 1)
                m_held.push_back("an argument object holds " +
                                 std::to_string(object->RefCount() - 1) + " references too many");
            object->Release();
        }
        m_objects.clear();
        m_slots.clear();
    }
    std::vector<std::string> HeldObjects() { return std::exchange(m_held, {}); }

private:
    // Storage that by-reference VARIANTs point into.
    struct Slot {
        VARIANT variant;
        LONGLONG i8 = 0;
        double r8 = 0;
        BSTR text = nullptr;
        IDispatch* object = nullptr;
        SAFEARRAY* array = nullptr;
        DECIMAL decimal = {};
        VARIANT_BOOL flag = 0;
    };

    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(m_rng) < p; }
    Slot& NewSlot() {
        m_slots.emplace_back();
        VariantInit(&m_slots.back().variant);
        return m_slots.back();
    }
    BSTR Keep(BSTR text) {
        if (text) m_texts.push_back(text);
        return text;
    }
    LONGLONG SmallNumber() {
        static const LONGLONG numbers[] = {0,
                                           1,
                                           -1,
                                           2,
                                           7,
                                           8,
                                           31,
                                           32,
                                           33,
                                           63,
                                           64,
                                           65535,
                                           0x7FFFFFFF,
                                           -0x7FFFFFFF - 1,
                                           0x100000000LL};
        return Chance(0.8) ? numbers[Between(0, static_cast<int>(std::size(numbers)) - 1)]
                           : static_cast<LONGLONG>(m_rng());
    }

    VARIANT Scalar() {
        VARIANT v;
        VariantInit(&v);
        static const VARTYPE types[] = {
            VT_EMPTY, VT_NULL, VT_I1, VT_UI1, VT_I2, VT_UI2,  VT_I4,   VT_UI4,   VT_INT,    VT_UINT,
            VT_I8,    VT_UI8,  VT_R4, VT_R8,  VT_CY, VT_DATE, VT_BOOL, VT_ERROR, VT_DECIMAL};
        v.vt = types[Between(0, static_cast<int>(std::size(types)) - 1)];
        const LONGLONG number = SmallNumber();
        switch (v.vt) {
        case VT_R4:
            v.fltVal = Chance(0.3) ? std::numeric_limits<float>::quiet_NaN()
                                   : static_cast<float>(number) * 1.5f;
            break;
        case VT_R8:
        case VT_DATE: {
            static const double doubles[] = {0.0,
                                             -0.0,
                                             2.5,
                                             -1e300,
                                             1e300,
                                             std::numeric_limits<double>::infinity(),
                                             std::numeric_limits<double>::quiet_NaN(),
                                             4.0};
            v.dblVal = doubles[Between(0, static_cast<int>(std::size(doubles)) - 1)];
            break;
        }
        case VT_BOOL:
            v.boolVal = Chance(0.7) ? (Chance(0.5) ? VARIANT_TRUE : VARIANT_FALSE)
                                    : static_cast<VARIANT_BOOL>(m_rng());
            break;
        case VT_ERROR:
            v.scode = Chance(0.7) ? DISP_E_PARAMNOTFOUND : static_cast<SCODE>(m_rng());
            break;
        case VT_DECIMAL: {
            DECIMAL d = {};
            d.scale = static_cast<BYTE>(Chance(0.7) ? Between(0, 28) : Between(29, 255));
            d.sign = static_cast<BYTE>(Chance(0.5) ? 0 : 0x80);
            d.Hi32 = static_cast<ULONG>(Chance(0.5) ? 0 : m_rng());
            d.Lo64 = m_rng();
            v.decVal = d;
            v.vt = VT_DECIMAL;
            break;
        }
        default:
            v.llVal = number;
        }
        return v;
    }

    VARIANT Text() {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BSTR;
        static const wchar_t* texts[] = {
            L"",    L"12",    L"-3",   L"0x10",       L"1e10",
            L"abc", L"  5  ", L"TRUE", L"&H7FFFFFFF", L"99999999999999999999999",
            L"1,5", L"\x00e9"};
        switch (Between(0, 5)) {
        case 0:
            v.bstrVal = nullptr; // a null BSTR stands for the empty text
            break;
        case 1:
            v.bstrVal = Keep(SysAllocString(std::wstring(Between(100, 5000), L'9').c_str()));
            break;
        case 2: // an odd number of bytes, and a text with a NUL inside
            v.bstrVal = Chance(0.5) ? Keep(SysAllocStringByteLen("abc", 3))
                                    : Keep(SysAllocStringLen(L"1\0002", 3));
            break;
        default:
            v.bstrVal =
                Keep(SysAllocString(texts[Between(0, static_cast<int>(std::size(texts)) - 1)]));
        }
        return v;
    }

    VARIANT Object(VARTYPE vt) {
        VARIANT v;
        VariantInit(&v);
        v.vt = vt;
        if (Chance(0.3)) {
            v.pdispVal = nullptr;
            return v;
        }
        ValueObject* object;
        switch (Between(0, 3)) { // a number, a text, an error, or itself
        case 0:
            object = new ValueObject(ValueObject::Answer::Value, hxtest::I4(7));
            break;
        case 1:
            object = new ValueObject(ValueObject::Answer::Value, hxtest::Str(L"12"));
            break;
        case 2:
            object = new ValueObject(ValueObject::Answer::Fails);
            break;
        default:
            object = new ValueObject(ValueObject::Answer::Itself);
        }
        m_objects.push_back(object);
        v.pdispVal = object; // the fuzzer's reference; the call borrows it
        return v;
    }

    VARIANT Array() {
        VARIANT v;
        VariantInit(&v);
        const VARTYPE element = Chance(0.5) ? VT_I4 : (Chance(0.5) ? VT_VARIANT : VT_BSTR);
        v.vt = VT_ARRAY | element;
        if (Chance(0.2)) {
            v.parray = nullptr;
            return v;
        }
        SAFEARRAY* array = SafeArrayCreateVector(element, 0, static_cast<ULONG>(Between(0, 3)));
        if (array) m_arrays.push_back(array);
        v.parray = array;
        return v;
    }

    VARIANT ByReference(int depth) {
        VARIANT v;
        VariantInit(&v);
        Slot& slot = NewSlot();
        const bool null = Chance(0.25);
        // References to VARIANTs (which may refer on) half the time.
        switch (Chance(0.5) ? 7 : Between(0, 6)) {
        case 0:
        case 1: { // a number of some type
            static const VARTYPE types[] = {VT_I2, VT_I4, VT_I8, VT_R8, VT_UI1, VT_BOOL, VT_CY};
            v.vt = VT_BYREF | types[Between(0, static_cast<int>(std::size(types)) - 1)];
            slot.i8 = SmallNumber();
            slot.r8 = 3.0;
            v.byref = v.vt == (VT_BYREF | VT_R8) ? static_cast<void*>(&slot.r8) : &slot.i8;
            break;
        }
        case 2: // a text, perhaps a null one
            slot.text = Chance(0.5) ? nullptr : Keep(SysAllocString(L"5"));
            v.vt = VT_BYREF | VT_BSTR;
            v.pbstrVal = &slot.text;
            break;
        case 3: // an object, perhaps none
            slot.object = nullptr;
            if (Chance(0.5)) {
                VARIANT object = Object(VT_DISPATCH);
                slot.object = object.pdispVal;
            }
            v.vt = VT_BYREF | VT_DISPATCH;
            v.ppdispVal = &slot.object;
            break;
        case 4: // an array, perhaps none
            slot.array = Chance(0.5) ? nullptr : Array().parray;
            v.vt = VT_BYREF | VT_ARRAY | VT_I4;
            v.pparray = &slot.array;
            break;
        case 5:
            slot.decimal.Lo64 = 42;
            v.vt = VT_BYREF | VT_DECIMAL;
            v.pdecVal = &slot.decimal;
            break;
        default: // a VARIANT holding anything, by-reference ones too
            slot.variant = depth < 2 ? Any(depth + 1) : Scalar();
            v.vt = VT_BYREF | VT_VARIANT;
            v.pvarVal = &slot.variant;
        }
        if (null) v.byref = nullptr;
        return v;
    }

    std::mt19937_64& m_rng;
    std::deque<Slot> m_slots;
    std::vector<BSTR> m_texts;
    std::vector<SAFEARRAY*> m_arrays;
    std::vector<ValueObject*> m_objects;
    std::vector<std::string> m_held;
};

// A stream over bytes, failing as asked.
enum class StreamFault { None, FailsMidway };

class HostileStream : public ComObject<IStream> {
public:
    HostileStream(std::vector<BYTE> bytes, StreamFault fault)
        : ComObject(IID_IStream, IID_ISequentialStream), m_bytes(std::move(bytes)), m_fault(fault) {
    }
    std::vector<BYTE> Bytes() const { return m_bytes; }

    STDMETHOD(Read)(void* buffer, ULONG size, ULONG* read) override {
        if (read) *read = 0;
        if (!buffer) return STG_E_INVALIDPOINTER;
        if (m_fault == StreamFault::FailsMidway && m_position >= m_bytes.size() / 2) return E_FAIL;
        const size_t left = m_bytes.size() - std::min<size_t>(m_position, m_bytes.size());
        const ULONG count = static_cast<ULONG>(std::min<size_t>(size, left));
        if (count) std::memcpy(buffer, m_bytes.data() + m_position, count);
        m_position += count;
        if (read) *read = count;
        return count < size ? S_FALSE : S_OK;
    }
    STDMETHOD(Write)(const void* data, ULONG size, ULONG* written) override {
        if (written) *written = 0;
        if (!data && size) return STG_E_INVALIDPOINTER;
        if (m_position + size > m_bytes.size()) m_bytes.resize(m_position + size);
        if (size) std::memcpy(m_bytes.data() + m_position, data, size);
        m_position += size;
        if (written) *written = size;
        return S_OK;
    }
    STDMETHOD(Seek)(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
        LONGLONG base = origin == STREAM_SEEK_SET   ? 0
                        : origin == STREAM_SEEK_CUR ? static_cast<LONGLONG>(m_position)
                                                    : static_cast<LONGLONG>(m_bytes.size());
        if (base + move.QuadPart < 0) return STG_E_INVALIDFUNCTION;
        m_position = static_cast<size_t>(base + move.QuadPart);
        if (position) position->QuadPart = m_position;
        return S_OK;
    }
    STDMETHOD(SetSize)(ULARGE_INTEGER size) override {
        m_bytes.resize(static_cast<size_t>(size.QuadPart));
        return S_OK;
    }
    STDMETHOD(CopyTo)(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    STDMETHOD(Commit)(DWORD) override { return S_OK; }
    STDMETHOD(Revert)() override { return S_OK; }
    STDMETHOD(LockRegion)(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    STDMETHOD(UnlockRegion)(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    STDMETHOD(Stat)(STATSTG* stat, DWORD) override {
        if (!stat) return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = m_bytes.size();
        return S_OK;
    }
    STDMETHOD(Clone)(IStream** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }

private:
    std::vector<BYTE> m_bytes;
    StreamFault m_fault;
    size_t m_position = 0;
};

inline hx::com_ptr<HostileStream> MakeStream(std::vector<BYTE> bytes, StreamFault fault) {
    return hx::com_ptr<HostileStream>::attach(new HostileStream(std::move(bytes), fault));
}

// A property bag that answers whatever it holds, however it likes: copies,
// bit-for-bit copies (malformed VARIANTs included), nothing, or errors.
class HostileBag : public ComObject<IPropertyBag> {
public:
    HostileBag() : ComObject(IID_IPropertyBag) {}
    struct Entry {
        VARIANT value; // owned by the VariantFactory that made it
        enum class Answer { Copy, Raw, Empty, Fails } answer;
    };
    std::map<std::wstring, Entry> entries;
    bool failWrites = false;

    STDMETHOD(Read)(LPCOLESTR name, VARIANT* value, IErrorLog* log) override {
        if (!name || !value) return E_POINTER;
        const auto found = entries.find(name);
        if (found == entries.end()) {
            if (log) {
                EXCEPINFO info = {};
                info.scode = E_INVALIDARG;
                log->AddError(name, &info);
            }
            return E_INVALIDARG;
        }
        const Entry& entry = found->second;
        VariantClear(value);
        switch (entry.answer) {
        case Entry::Answer::Copy:
            return VariantCopy(value, const_cast<VARIANT*>(&entry.value));
        case Entry::Answer::Raw: {
            // Bit for bit only where the copy owns nothing the caller would
            // free: by-reference and malformed VARIANTs, plain numbers.
            const VARTYPE base = entry.value.vt & VT_TYPEMASK;
            const bool owns = !(entry.value.vt & VT_BYREF) &&
                              ((entry.value.vt & VT_ARRAY) || base == VT_BSTR ||
                               base == VT_DISPATCH || base == VT_UNKNOWN || base == VT_RECORD);
            if (owns) return VariantCopy(value, const_cast<VARIANT*>(&entry.value));
            *value = entry.value;
            return S_OK;
        }
        case Entry::Answer::Empty:
            return S_OK;
        default:
            return E_FAIL;
        }
    }
    STDMETHOD(Write)(LPCOLESTR, VARIANT* value) override {
        if (failWrites) return E_FAIL;
        return value ? S_OK : E_POINTER;
    }
};

inline hx::com_ptr<HostileBag> MakeBag(std::mt19937_64& rng, VariantFactory& variants) {
    auto bag = hx::com_ptr<HostileBag>::attach(new HostileBag);
    static const wchar_t* names[] = {L"_Version", L"_ExtentX", L"_ExtentY",
                                     L"Image",    L"_version", L"NumInputs"};
    const int count = std::uniform_int_distribution<int>(0, 5)(rng);
    for (int i = 0; i < count; ++i) {
        const std::wstring name = names[rng() % std::size(names)];
        HostileBag::Entry entry;
        if (rng() % 3 == 0) {
            VariantInit(&entry.value);
            entry.value.vt = (rng() % 2) ? VT_I4 : VT_UI4;
            entry.value.lVal = static_cast<LONG>(rng());
        } else {
            entry.value = variants.Any();
        }
        entry.answer = static_cast<HostileBag::Entry::Answer>(rng() % 4);
        bag->entries[name] = entry;
    }
    return bag;
}

class HostileErrorLog : public ComObject<IErrorLog> {
public:
    HostileErrorLog() : ComObject(IID_IErrorLog) {}
    STDMETHOD(AddError)(LPCOLESTR, EXCEPINFO*) override { return S_OK; }
};

// The framework's stream format (framework/control/include/AfxPropset.h):
// a valid set whose properties are the known ones and a few others, with
// values of any size and sign.
inline std::vector<BYTE> ValidSetWithRandomValues(std::mt19937_64& rng) {
    std::vector<std::string> names = {"_Version", "_ExtentX", "_ExtentY"};
    if (rng() % 2) names.push_back("Image");
    if (rng() % 3 == 0) names.push_back(std::string(1 + rng() % 255, 'n'));
    std::vector<BYTE> payload;
    const auto put16 = [](std::vector<BYTE>& out, uint16_t v) {
        out.push_back(static_cast<BYTE>(v));
        out.push_back(static_cast<BYTE>(v >> 8));
    };
    const auto put32 = [](std::vector<BYTE>& out, uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<BYTE>(v >> shift));
    };
    uint16_t count = 0;
    for (const std::string& name : names) {
        if (rng() % 4 == 0) continue;
        payload.push_back(static_cast<BYTE>(name.size()));
        payload.insert(payload.end(), name.begin(), name.end());
        put16(payload, (rng() % 2) ? VT_I4 : VT_UI4);
        static const uint32_t values[] = {0, 1, 0x10000, 0xFFFFFFFF, 0x80000000, 847, 100000};
        put32(payload,
              (rng() % 2) ? values[rng() % std::size(values)] : static_cast<uint32_t>(rng()));
        ++count;
    }
    uint32_t hash = 2166136261u;
    for (BYTE b : payload)
        hash = (hash ^ b) * 16777619u;
    std::vector<BYTE> data;
    put32(data, 0x53505848); // "HXPS"
    put16(data, 1);
    put16(data, count);
    put32(data, static_cast<uint32_t>(payload.size()));
    put32(data, hash);
    data.insert(data.end(), payload.begin(), payload.end());
    return data;
}

} // namespace hostile
