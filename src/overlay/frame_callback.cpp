// PLACEHOLDER: replaced by the caption work.
#include "overlay/frame_callback.h"
namespace meridel {
int32_t HOST_CALL FrameCallback(HostFilter*, FrameProcInfo*) { return 1; }
}  // namespace meridel
