// The frei0r entry points of meridel.so. Hosts (ffmpeg's frei0r filter,
// MLT and the editors built on it) call them from any thread; the frei0r
// header says which may run at once. Nothing thrown or crashed here may
// reach the host: every entry point catches everything.
extern "C" {
#include <frei0r.h>
}

#include <cstring>

#include "frei0r/filter_instance.h"
#include "frei0r/host_time.h"
#include "frei0r/parameters.h"

using meridel::frei0r::FilterInstance;

namespace {

static_assert(static_cast<int>(meridel::frei0r::ParameterType::kBool) == F0R_PARAM_BOOL &&
              static_cast<int>(meridel::frei0r::ParameterType::kDouble) == F0R_PARAM_DOUBLE &&
              static_cast<int>(meridel::frei0r::ParameterType::kColor) == F0R_PARAM_COLOR &&
              static_cast<int>(meridel::frei0r::ParameterType::kString) == F0R_PARAM_STRING);
static_assert(sizeof(meridel::frei0r::Color) == sizeof(f0r_param_color_t));

FilterInstance* AsInstance(f0r_instance_t instance) { return static_cast<FilterInstance*>(instance); }

}  // namespace

#define MERIDEL_EXPORT extern "C"

// The library keeps nothing between instances: nothing to set up or tear
// down (and fontconfig, which the host may use as well, is left alone).
MERIDEL_EXPORT int f0r_init(void) { return 1; }

MERIDEL_EXPORT void f0r_deinit(void) {}

MERIDEL_EXPORT void f0r_get_plugin_info(f0r_plugin_info_t* info) {
  if (!info) return;
  // Editors on MLT list this beside the MLT filter "Meridel GPS caption",
  // which is the one to use there.
  info->name = "Meridel for ffmpeg (frei0r)";
  info->author = "Meridel";
  info->plugin_type = F0R_PLUGIN_TYPE_FILTER;
  info->color_model = F0R_COLOR_MODEL_RGBA8888;
  info->frei0r_version = FREI0R_MAJOR_VERSION;
  info->major_version = MERIDEL_VERSION_MAJOR;
  info->minor_version = MERIDEL_VERSION_MINOR;
  info->num_params = meridel::frei0r::kParameterCount;
  info->explanation = "GPS captions from a GPX track: the local date and time, latitude and longitude. "
                      "For ffmpeg; in Kdenlive, Shotcut and melt use the MLT filter meridel";
}

MERIDEL_EXPORT void f0r_get_param_info(f0r_param_info_t* info, int index) {
  if (!info || index < 0 || index >= meridel::frei0r::kParameterCount) return;
  try {
    const meridel::frei0r::ParameterInfo& parameter = meridel::frei0r::InfoOf(index);
    info->name = parameter.name.c_str();
    info->type = static_cast<int>(parameter.type);
    info->explanation = parameter.explanation.c_str();
  } catch (...) {
    // The texts are made at the first call; out of memory, the info stays as the host gave it.
  }
}

// Null when the instance cannot be made (out of memory); hosts then report
// the filter as failed.
MERIDEL_EXPORT f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
  try {
    // The unit of the host's times, told by who called.
    const meridel::frei0r::TimeUnit unit = meridel::frei0r::DetectTimeUnit(__builtin_return_address(0));
    return new FilterInstance(width, height, unit);
  } catch (...) {
    return nullptr;
  }
}

MERIDEL_EXPORT void f0r_destruct(f0r_instance_t instance) { delete AsInstance(instance); }

MERIDEL_EXPORT void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
  if (!instance) return;
  try {
    AsInstance(instance)->SetParameter(index, param);
  } catch (...) {
  }
}

MERIDEL_EXPORT void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
  if (!instance) return;
  try {
    AsInstance(instance)->GetParameter(index, param);
  } catch (...) {
  }
}

MERIDEL_EXPORT void f0r_update(f0r_instance_t instance, double time, const uint32_t* inframe, uint32_t* outframe) {
  if (!instance) return;
  try {
    AsInstance(instance)->Update(time, inframe, outframe);
  } catch (...) {
    // The frame goes on as it came in; Update copies before anything can throw.
  }
}
