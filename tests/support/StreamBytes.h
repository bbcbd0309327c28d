// Memory streams for persistence suites: one made from bytes, and the bytes
// a stream holds, both read and written from the start.
#pragma once

#include "hx/com_ptr.h"

#include <windows.h>
#include <objidl.h>

#include <vector>

namespace hxtest {

inline hx::com_ptr<IStream> NewStream() {
    hx::com_ptr<IStream> stream;
    CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    return stream;
}

inline hx::com_ptr<IStream> StreamOf(const std::vector<BYTE>& bytes) {
    hx::com_ptr<IStream> stream = NewStream();
    ULONG written = 0;
    if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    const LARGE_INTEGER start = {};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    return stream;
}

inline std::vector<BYTE> Bytes(IStream* stream) {
    STATSTG stat = {};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::vector<BYTE> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
    const LARGE_INTEGER start = {};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    return bytes;
}

} // namespace hxtest
