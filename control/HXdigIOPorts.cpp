// The six port access methods: check the index against the line counts read
// when the image was bound, make one driver call, report a failure through
// HXKError and return 0 for it.
#include "HXdigIOCtrl.h"

#include "HXDigIOErrors.h"

#include "HXDigIO_h.h"

namespace {


// Port groups hold 32 lines; the bound admits one group more than the lines
// fill when the count is a multiple of 32.
int32_t GroupBound(int32_t lines) {
    return lines / 32 + 1;
}

} // namespace

template <class DriverCall>
bool CHXdigIOCtrl::AccessPort(long index, int32_t bound, const HXDigIOError& failure,
                              DriverCall driverCall) {
    if (index < 0 || index >= bound) {
        ReportError(hxerrors::kInvalidPort);
        return false;
    }
    if (driverCall() != 0) {
        ReportError(failure);
        return false;
    }
    return true;
}

long CHXdigIOCtrl::GetInBit(long port) {
    int32_t value = 0;
    const bool read = AccessPort(port, m_nInputs, hxerrors::kReadFailed,
                                 [&] { return ReadInputLine(m_hImage.Get(), port, &value); });
    return read ? value : 0;
}

long CHXdigIOCtrl::GetOutBit(long port) {
    int32_t value = 0;
    const bool read = AccessPort(port, m_nOutputs, hxerrors::kReadFailed,
                                 [&] { return ReadOutputLine(m_hImage.Get(), port, &value); });
    return read ? value : 0;
}

long CHXdigIOCtrl::SetOutBit(long port, long value) {
    const bool written = AccessPort(port, m_nOutputs, hxerrors::kWriteFailed,
                                    [&] { return WriteOutputLine(m_hImage.Get(), port, value); });
    return written ? value : 0;
}

long CHXdigIOCtrl::GetInDWORD(long portGroup) {
    uint32_t value = 0;
    const bool read = AccessPort(portGroup, GroupBound(m_nInputs), hxerrors::kReadFailed,
                                 [&] { return ReadInputGroup(m_hImage.Get(), portGroup, &value); });
    return read ? static_cast<long>(value) : 0;
}

long CHXdigIOCtrl::GetOutDWORD(long portGroup) {
    uint32_t value = 0;
    const bool read = AccessPort(portGroup, GroupBound(m_nOutputs), hxerrors::kReadFailed,
                                 [&] { return ReadOutputGroup(m_hImage.Get(), portGroup, &value); });
    return read ? static_cast<long>(value) : 0;
}

long CHXdigIOCtrl::SetOutDWORD(long portGroup, long value, long mask) {
    const bool written =
        AccessPort(portGroup, GroupBound(m_nOutputs), hxerrors::kWriteFailed, [&] {
            return WriteOutputGroup(m_hImage.Get(), portGroup, static_cast<uint32_t>(value),
                                    static_cast<uint32_t>(mask));
        });
    return written ? value : 0;
}
