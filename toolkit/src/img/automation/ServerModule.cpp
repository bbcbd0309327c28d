#include "ServerModule.h"

#include <atomic>

namespace hxk::server {

namespace {
HINSTANCE moduleInstance = nullptr;
std::atomic<long> locks{0};
} // namespace

void setInstance(HINSTANCE instance) {
    moduleInstance = instance;
}
HINSTANCE instance() {
    return moduleInstance;
}

void lock() {
    ++locks;
}
void unlock() {
    --locks;
}
bool canUnload() {
    return locks.load() == 0;
}

} // namespace hxk::server
