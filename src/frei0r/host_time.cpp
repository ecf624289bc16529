#include "frei0r/host_time.h"

#include <dlfcn.h>

#include <cmath>
#include <string_view>

#include "overlay/frame_moment.h"

namespace meridel::frei0r {
namespace {

bool PassesMilliseconds(std::string_view library) {
  const size_t slash = library.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? library : library.substr(slash + 1);
  // The filter library, or a program that has it linked in statically.
  return name.starts_with("libavfilter") || name == "ffmpeg" || name == "ffplay";
}

}  // namespace

TimeUnit DetectTimeUnit(const void* caller) {
  Dl_info info{};
  if (caller && dladdr(caller, &info) && info.dli_fname)
    return PassesMilliseconds(info.dli_fname) ? TimeUnit::kMilliseconds : TimeUnit::kSeconds;
  return dlsym(RTLD_DEFAULT, "avfilter_graph_alloc") && !dlsym(RTLD_DEFAULT, "mlt_factory_init")
             ? TimeUnit::kMilliseconds
             : TimeUnit::kSeconds;
}

std::optional<int32_t> FrameSeconds(double time, TimeUnit unit) {
  const double seconds = unit == TimeUnit::kMilliseconds ? time / 1000.0 : time;
  const double rounded = std::round(seconds * 1e6) / 1e6;
  // Written so that NaN and infinity fail the test as well.
  if (!(std::fabs(rounded) < 2147483648.0)) return std::nullopt;
  return TruncateSeconds(rounded);
}

}  // namespace meridel::frei0r
