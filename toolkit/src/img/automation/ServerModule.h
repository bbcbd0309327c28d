// What the automation server keeps per process: the module's instance (for
// its path at registration) and the counts of live objects and of server
// locks (factory references included) behind DllCanUnloadNow.
#pragma once

#include <windows.h>

namespace hxk::server {

void setInstance(HINSTANCE instance);
HINSTANCE instance();

void objectCreated();
void objectDestroyed();
void lock();
// A surplus unlock from a careless client is ignored: it may neither free
// a live object's server nor keep the server loaded for good.
void unlock();
bool canUnload();

} // namespace hxk::server
