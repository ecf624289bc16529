// meridel-mpv.so's one entry point: mpv calls it on a thread of its own
// and unloads the plug-in when it returns.
#include <mpv/client.h>

#include "mpv/plugin.h"

extern "C" int mpv_open_cplugin(mpv_handle* handle) {
  try {
    meridel::mpv::Plugin plugin(handle);
    plugin.Run();
    return 0;
  } catch (...) {
    // Out of memory outside an event's handling: the plug-in ends, mpv plays on.
    return -1;
  }
}
