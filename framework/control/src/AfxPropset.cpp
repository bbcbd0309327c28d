#include "AfxPropset.h"

#include "hx/result_macros.h"

#include <cstring>

namespace {

constexpr DWORD kMagic = 0x53505848; // "HXPS"
constexpr WORD kFormat = 1;
// Name length byte, VARTYPE, value.
constexpr size_t kRecordOverhead = 1 + 2 + 4;

DWORD Checksum(const BYTE* data, size_t size) {
    DWORD hash = 2166136261u;
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619u;
    return hash;
}

void PutU16(std::vector<BYTE>& out, WORD value) {
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}
void PutU32(std::vector<BYTE>& out, DWORD value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<BYTE>(value >> shift));
}
WORD GetU16(const BYTE* p) {
    return static_cast<WORD>(p[0] | p[1] << 8);
}
DWORD GetU32(const BYTE* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<DWORD>(p[3]) << 24;
}

bool ValidName(const char* name, size_t length) {
    if (length == 0 || length > CPropertySet::kMaxNameLength) return false;
    for (size_t i = 0; i < length; ++i) {
        if (name[i] < 0x20 || name[i] > 0x7E) return false;
    }
    return true;
}

bool ValidType(VARTYPE vt) {
    return vt == VT_I4 || vt == VT_UI4;
}

// Reads exactly size bytes: a stream that gives fewer has ended early.
HRESULT ReadExactly(IStream* pStm, BYTE* buffer, ULONG size) {
    ULONG done = 0;
    while (done < size) {
        ULONG got = 0;
        const HRESULT hr = pStm->Read(buffer + done, size - done, &got);
        if (FAILED(hr)) return hr;
        if (got == 0) return STG_E_READFAULT;
        done += got;
    }
    return S_OK;
}

} // namespace

const CPropertySet::Property* CPropertySet::Find(const char* name) const {
    if (!name) return nullptr;
    for (const Property& property : m_properties) {
        if (property.name == name) return &property;
    }
    return nullptr;
}

bool CPropertySet::Set(const char* name, VARTYPE vt, DWORD value) {
    if (!name || !ValidName(name, std::strlen(name)) || !ValidType(vt)) return false;
    for (Property& property : m_properties) {
        if (property.name == name) {
            property.vt = vt;
            property.value = value;
            return true;
        }
    }
    if (m_properties.size() >= kMaxProperties) return false;
    m_properties.push_back({name, vt, value});
    return true;
}

std::vector<BYTE> CPropertySet::Serialize() const {
    std::vector<BYTE> payload;
    for (const Property& property : m_properties) {
        payload.push_back(static_cast<BYTE>(property.name.size()));
        payload.insert(payload.end(), property.name.begin(), property.name.end());
        PutU16(payload, property.vt);
        PutU32(payload, property.value);
    }
    std::vector<BYTE> data;
    data.reserve(kHeaderSize + payload.size());
    PutU32(data, kMagic);
    PutU16(data, kFormat);
    PutU16(data, static_cast<WORD>(m_properties.size()));
    PutU32(data, static_cast<DWORD>(payload.size()));
    PutU32(data, Checksum(payload.data(), payload.size()));
    data.insert(data.end(), payload.begin(), payload.end());
    return data;
}

ULONG CPropertySet::GetStreamSize() const {
    size_t size = kHeaderSize;
    for (const Property& property : m_properties)
        size += kRecordOverhead + property.name.size();
    return static_cast<ULONG>(size);
}

HRESULT CPropertySet::WriteTo(IStream* pStm) const {
    if (!pStm) return E_POINTER;
    std::vector<BYTE> data;
    try {
        data = Serialize();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    ULONG written = 0;
    RETURN_IF_FAILED(pStm->Write(data.data(), static_cast<ULONG>(data.size()), &written));
    return written == data.size() ? S_OK : STG_E_WRITEFAULT;
}

HRESULT CPropertySet::ReadFrom(IStream* pStm) {
    if (!pStm) return E_POINTER;
    BYTE header[kHeaderSize];
    RETURN_IF_FAILED(ReadExactly(pStm, header, kHeaderSize));
    if (GetU32(header) != kMagic || GetU16(header + 4) != kFormat) return STG_E_INVALIDHEADER;
    const size_t count = GetU16(header + 6);
    const ULONG size = GetU32(header + 8);
    if (count > kMaxProperties || size > kMaxPayloadSize) return STG_E_DOCFILECORRUPT;

    std::vector<Property> properties;
    try {
        std::vector<BYTE> payload(size);
        RETURN_IF_FAILED(ReadExactly(pStm, payload.data(), size));
        if (Checksum(payload.data(), payload.size()) != GetU32(header + 12))
            return STG_E_DOCFILECORRUPT;
        size_t at = 0;
        for (size_t i = 0; i < count; ++i) {
            if (size - at < kRecordOverhead) return STG_E_DOCFILECORRUPT;
            const size_t length = payload[at++];
            if (size - at < length + kRecordOverhead - 1) return STG_E_DOCFILECORRUPT;
            const char* name = reinterpret_cast<const char*>(&payload[at]);
            if (!ValidName(name, length)) return STG_E_DOCFILECORRUPT;
            std::string text(name, length);
            at += length;
            const VARTYPE vt = GetU16(&payload[at]);
            const DWORD value = GetU32(&payload[at + 2]);
            at += 6;
            if (!ValidType(vt)) return STG_E_DOCFILECORRUPT;
            for (const Property& seen : properties) {
                if (seen.name == text) return STG_E_DOCFILECORRUPT;
            }
            properties.push_back({std::move(text), vt, value});
        }
        if (at != size) return STG_E_DOCFILECORRUPT;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    m_properties = std::move(properties);
    return S_OK;
}
