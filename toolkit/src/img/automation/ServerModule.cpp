#include "ServerModule.h"

#include <atomic>

namespace hxk::server {

namespace {
HINSTANCE moduleInstance = nullptr;
std::atomic<long> objects{0};
std::atomic<long> locks{0};
} // namespace

void setInstance(HINSTANCE instance) {
    moduleInstance = instance;
}
HINSTANCE instance() {
    return moduleInstance;
}

void objectCreated() {
    ++objects;
}
void objectDestroyed() {
    --objects;
}

void lock() {
    ++locks;
}
void unlock() {
    long current = locks.load();
    while (current > 0 && !locks.compare_exchange_weak(current, current - 1)) {
    }
}

bool canUnload() {
    return objects.load() == 0 && locks.load() == 0;
}

} // namespace hxk::server
