// The test build of the control module (HXDigIOSeams.ocx: the control's own
// sources and resources, and these exports) lets the hardening suites arm
// the base library's fault points inside the module, whose copy of the base
// library is its own. The shipped HXDigIO.ocx has none of these exports.
#include "CaxFaultSeam.h"
#include "CaxThread.h"

#include <windows.h>

extern "C" void WINAPI HardeningArmSeam(unsigned point, unsigned skip, unsigned fail,
                                        BOOL anyThread) {
    caxseam::Arm(static_cast<caxseam::Point>(point), {skip, fail, anyThread != FALSE});
}

extern "C" void WINAPI HardeningDisarmSeam(unsigned point) {
    caxseam::Disarm(static_cast<caxseam::Point>(point));
}

extern "C" unsigned long long WINAPI HardeningSeamHits(unsigned point) {
    return caxseam::Hits(static_cast<caxseam::Point>(point));
}

extern "C" unsigned long long WINAPI HardeningSeamInjected(unsigned point) {
    return caxseam::Injected(static_cast<caxseam::Point>(point));
}

// What fails at the next worker object made on the calling thread
// (CaxThread::CreationFault).
extern "C" void WINAPI HardeningInjectThreadFault(int fault) {
    CaxThread::InjectCreationFault(static_cast<CaxThread::CreationFault>(fault));
}
