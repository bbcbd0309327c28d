// What the automation server keeps per process: the module's instance (for
// its path at registration) and the count of live objects and server locks
// behind DllCanUnloadNow.
#pragma once

#include <windows.h>

namespace hxk::server {

void setInstance(HINSTANCE instance);
HINSTANCE instance();

void lock();
void unlock();
bool canUnload();

} // namespace hxk::server
