// CPropertySet: a control's persisted properties in the framework's own
// stream format, the one IPersistStreamInit and IPersistStorage write.
//
// Layout, little-endian:
//   header   u32 magic "HXPS", u16 format (1), u16 property count,
//            u32 payload size, u32 FNV-1a checksum of the payload
//   payload  per property: u8 name length (1..255), the name (printable
//            ASCII), u16 VARTYPE (VT_I4 or VT_UI4), u32 value
//
// A set is read from the stream's current position and reads no further
// than its own end, so that a container may keep more after it. Data that
// is not a set of this format, or ends early, or says it is larger than a
// set may be, is refused with an error result before anything is taken
// from it.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <string>
#include <vector>

class CPropertySet {
public:
    struct Property {
        std::string name;
        VARTYPE vt; // VT_I4 or VT_UI4
        DWORD value;
    };

    static constexpr size_t kMaxProperties = 256;
    static constexpr size_t kMaxNameLength = 255;
    static constexpr ULONG kHeaderSize = 16;
    static constexpr ULONG kMaxPayloadSize = 64 * 1024;

    // Null when the set has no property of that name.
    const Property* Find(const char* name) const;
    // Adds the property or replaces its value; false when the name or type
    // cannot be stored or the set is full.
    bool Set(const char* name, VARTYPE vt, DWORD value);
    const std::vector<Property>& GetProperties() const { return m_properties; }

    // S_OK with the set read; STG_E_INVALIDHEADER for data of another format
    // or format version; STG_E_DOCFILECORRUPT for a size beyond the limits,
    // a checksum that does not match or a malformed property;
    // STG_E_READFAULT when the stream ends early; the stream's own error
    // when it fails. The set is left unchanged unless S_OK.
    HRESULT ReadFrom(IStream* pStm);
    HRESULT WriteTo(IStream* pStm) const;
    // Bytes WriteTo writes.
    ULONG GetStreamSize() const;

private:
    std::vector<BYTE> Serialize() const;
    std::vector<Property> m_properties;
};
