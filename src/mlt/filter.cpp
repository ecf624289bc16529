#include "mlt/filter.h"

#include <new>

extern "C" {
#include <framework/mlt_frame.h>
#include <framework/mlt_image.h>
#include <framework/mlt_log.h>
}

#include "mlt/filter_state.h"
#include "mlt/picture_view.h"
#include "mlt/properties.h"

namespace meridel::mlt {
namespace {

FilterState* StateOf(mlt_filter filter) { return static_cast<FilterState*>(filter->child); }

// Asks the chain for the image in the format the caller wants, writable,
// and draws on what comes back, in that format where it can.
int GetImage(mlt_frame frame, uint8_t** image, mlt_image_format* format, int* width, int* height, int) {
  auto filter = static_cast<mlt_filter>(mlt_frame_pop_service(frame));
  const int error = mlt_frame_get_image(frame, image, format, width, height, 1);
  if (error || !filter || !StateOf(filter) || !*image) return error;
  try {
    FilterState& state = *StateOf(filter);
    if (!DrawsOn(*format)) {
      const std::string given = mlt_image_format_name(*format);
      if (!ConvertToDrawable(frame, image, format)) {
        state.Log().Once(MLT_LOG_WARNING,
                         "images in the " + given + " format cannot be captioned: these frames pass untouched");
        return 0;
      }
      state.Log().Once(MLT_LOG_INFO, "images in the " + given + " format are captioned as 8-bit yuv422");
    }
    state.Render(frame, *image, *format, *width, *height);
  } catch (...) {
    // The frame goes on, captioned or not.
  }
  return 0;
}

mlt_frame Process(mlt_filter filter, mlt_frame frame) {
  mlt_frame_push_service(frame, filter);
  mlt_frame_push_get_image(frame, GetImage);
  return frame;
}

void Close(mlt_filter filter) {
  try {
    delete StateOf(filter);
  } catch (...) {
  }
  filter->child = nullptr;
  filter->close = nullptr;
  filter->parent.close = nullptr;
  mlt_service_close(&filter->parent);
}

}  // namespace

mlt_filter NewFilter(mlt_profile, mlt_service_type, const char*, char* arg) {
  mlt_filter filter = mlt_filter_new();
  if (!filter) return nullptr;
  try {
    SetDefaultProperties(MLT_FILTER_PROPERTIES(filter), arg);
    filter->child = new FilterState(filter);
  } catch (...) {
    mlt_filter_close(filter);
    return nullptr;
  }
  filter->process = Process;
  filter->close = Close;
  return filter;
}

}  // namespace meridel::mlt
