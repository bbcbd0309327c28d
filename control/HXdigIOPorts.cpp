// The six port access methods: check the index against the line counts read
// when the image was bound, make one driver call, report a failure through
// HXKError and return 0 for it.
#include "HXdigIOCtrl.h"

#include "HXDigIO_h.h"

namespace {

const char kInvalidPort[] = "Invalid port!";
const char kReadFailed[] = "Couldn't read port!";
const char kWriteFailed[] = "Couldn't write port!";

// Port groups hold 32 lines; the bound admits one group more than the lines
// fill when the count is a multiple of 32.
int32_t GroupBound(int32_t lines) {
    return lines / 32 + 1;
}

bool InRange(long index, int32_t bound) {
    return index >= 0 && index < bound;
}

} // namespace

long CHXdigIOCtrl::GetInBit(long port) {
    if (!InRange(port, m_nInputs)) {
        ReportError(HXK_E_INVALIDPORT, kInvalidPort);
        return 0;
    }
    int32_t value = 0;
    if (ReadInputLine(m_hImage, port, &value) != 0) {
        ReportError(HXK_E_PORTREAD, kReadFailed);
        return 0;
    }
    return value;
}

long CHXdigIOCtrl::GetOutBit(long port) {
    if (!InRange(port, m_nOutputs)) {
        ReportError(HXK_E_INVALIDPORT, kInvalidPort);
        return 0;
    }
    int32_t value = 0;
    if (ReadOutputLine(m_hImage, port, &value) != 0) {
        ReportError(HXK_E_PORTREAD, kReadFailed);
        return 0;
    }
    return value;
}

long CHXdigIOCtrl::SetOutBit(long port, long value) {
    if (!InRange(port, m_nOutputs)) {
        ReportError(HXK_E_INVALIDPORT, kInvalidPort);
        return 0;
    }
    if (WriteOutputLine(m_hImage, port, value) != 0) {
        ReportError(HXK_E_PORTWRITE, kWriteFailed);
        return 0;
    }
    return value;
}

long CHXdigIOCtrl::GetInDWORD(long portGroup) {
    if (!InRange(portGroup, GroupBound(m_nInputs))) {
        ReportError(HXK_E_INVALIDPORT, kInvalidPort);
        return 0;
    }
    uint32_t value = 0;
    if (ReadInputGroup(m_hImage, portGroup, &value) != 0) {
        ReportError(HXK_E_PORTREAD, kReadFailed);
        return 0;
    }
    return static_cast<long>(value);
}

long CHXdigIOCtrl::GetOutDWORD(long portGroup) {
    if (!InRange(portGroup, GroupBound(m_nOutputs))) {
        ReportError(HXK_E_INVALIDPORT, kInvalidPort);
        return 0;
    }
    uint32_t value = 0;
    if (ReadOutputGroup(m_hImage, portGroup, &value) != 0) {
        ReportError(HXK_E_PORTREAD, kReadFailed);
        return 0;
    }
    return static_cast<long>(value);
}

long CHXdigIOCtrl::SetOutDWORD(long portGroup, long value, long mask) {
    if (!InRange(portGroup, GroupBound(m_nOutputs))) {
        ReportError(HXK_E_INVALIDPORT, kInvalidPort);
        return 0;
    }
    if (WriteOutputGroup(m_hImage, portGroup, static_cast<uint32_t>(value),
                         static_cast<uint32_t>(mask)) != 0) {
        ReportError(HXK_E_PORTWRITE, kWriteFailed);
        return 0;
    }
    return value;
}
