// HXKImg.dll's ordinal operations: image handle checks and references.
#include "HXKSim.h"
#include "SimRegistry.h"

using hxk::SimImage;
using hxk::SimRegistry;

HXKAPI int32_t ImageHandleValid(HXKIMAGE image) {
    SimRegistry& registry = SimRegistry::instance();
    registry.countCall(HXKSIM_OP_IMAGE_HANDLE_VALID, image);
    return registry.withImage(image, 0, [](SimImage&) { return 1; });
}

HXKAPI void AddImageRef(HXKIMAGE image) {
    SimRegistry& registry = SimRegistry::instance();
    registry.countCall(HXKSIM_OP_ADD_IMAGE_REF, image);
    registry.addReference(image);
}

HXKAPI void ReleaseImageRef(HXKIMAGE image) {
    SimRegistry& registry = SimRegistry::instance();
    registry.countCall(HXKSIM_OP_RELEASE_IMAGE_REF, image);
    registry.releaseReference(image);
}
