// The "HXKSim.Simulator" automation object (HXKSimAutomation.h documents its
// members): a COM object of the framework's core whose dispatch table maps
// each member onto a plain method. It keeps no state of its own (the
// simulated images are process-wide), so any thread may call it: registered
// with ThreadingModel "Both".
#pragma once

#include "AfxCmdTarget.h"
#include "AfxOleFactory.h"

#include <cstdint>
#include <optional>

namespace hxk {

class Simulator : public CCmdTarget, public IDispatch {
    DECLARE_OLECREATE_EX(Simulator)
    DECLARE_INTERFACE_MAP()
    DECLARE_DISPATCH_MAP()

public:
    AFX_DECLARE_IUNKNOWN()
    AFX_DECLARE_IDISPATCH()

private:
    // Image handles come in as 64-bit integers; handles and counts go out as
    // numbers scripts hold exactly.
    hx::unique_variant CreateImage(long inputs, long outputs, std::optional<BOOL> basicDigIO);
    hx::unique_variant CreateImageWithoutDigIO(long inputs, long outputs);
    void AddImageRef(LONGLONG image);
    void ReleaseImage(LONGLONG image);
    long ReferenceCount(LONGLONG image);
    void SetInput(LONGLONG image, long line, long level);
    long GetInput(LONGLONG image, long line);
    void SetOutput(LONGLONG image, long line, long level);
    long GetOutput(LONGLONG image, long line);
    long OutputWriteCount(LONGLONG image, long line);
    double OutputWriteTime(LONGLONG image, long line, long write);
    void SetFault(LONGLONG image, long operation, long index, BOOL enable);
    void ClearFaults(LONGLONG image);
    hx::unique_variant CallCount(long operation, std::optional<LONGLONG> image);
    void ResetCallCounts();
    long LiveImageCount();
};

} // namespace hxk
