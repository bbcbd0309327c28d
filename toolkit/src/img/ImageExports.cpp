// HXKImg.dll's ordinal operations: image handle checks and references.
#include "HXKSim.h"
#include "SimRegistry.h"

using hxk::SimImage;
using hxk::SimRegistry;

// A fault makes the check call a live image dead, and AddImageRef or
// ReleaseImageRef leave the count as it was.
HXKAPI int32_t ImageHandleValid(HXKIMAGE image) {
    return SimRegistry::instance().call(HXKSIM_OP_IMAGE_HANDLE_VALID, image, 0, [](SimImage& live) {
        return live.hasFault(HXKSIM_OP_IMAGE_HANDLE_VALID, HXKSIM_ANY_INDEX) ? 0 : 1;
    });
}

HXKAPI void AddImageRef(HXKIMAGE image) {
    SimRegistry::instance().call(HXKSIM_OP_ADD_IMAGE_REF, image, 0, [](SimImage& live) {
        if (!live.hasFault(HXKSIM_OP_ADD_IMAGE_REF, HXKSIM_ANY_INDEX)) live.addReference();
        return 0;
    });
}

HXKAPI void ReleaseImageRef(HXKIMAGE image) {
    SimRegistry::instance().releaseReference(image, true);
}
