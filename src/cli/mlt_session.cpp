#include "cli/mlt_session.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include <mlt++/Mlt.h>

extern "C" {
#include <framework/mlt_log.h>
#include <libavutil/log.h>
}

namespace meridel::cli {
namespace {

struct LogRoutes {
  std::mutex mutex;
  std::map<mlt_service, int> clips;
  std::map<int, std::vector<LogLine>> lines;
};

LogRoutes& Routes() {
  static LogRoutes routes;
  return routes;
}

// MLT's log callback: lines on a watched service go to its clip, the rest
// nowhere (libav and MLT's modules say much that a user of this command
// cannot act on; what matters comes back as a clip's failure).
void RouteLogLine(void* service, int level, const char* format, va_list args) {
  if (!service || !format || level > MLT_LOG_WARNING) return;
  LogRoutes& routes = Routes();
  const std::lock_guard<std::mutex> lock(routes.mutex);
  const auto clip = routes.clips.find(static_cast<mlt_service>(service));
  if (clip == routes.clips.end()) return;
  char text[1024];
  std::vsnprintf(text, sizeof text, format, args);
  std::string line(text);
  while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
  if (!line.empty()) routes.lines[clip->second].push_back({static_cast<mlt_service>(service), level, line});
}

// Whether MLT's repository offers `service` of `type`.
bool Offers(Mlt::Repository* repository, mlt_service_type type, const char* service) {
  const std::unique_ptr<Mlt::Properties> services(type == mlt_service_filter_type     ? repository->filters()
                                                  : type == mlt_service_producer_type ? repository->producers()
                                                                                      : repository->consumers());
  return services && services->get_data(service) != nullptr;
}

}  // namespace

Result<> StartMlt(int clipsAtOnce, bool needFilter) {
  // The avformat producer keeps this many files open at once (4 by
  // default); each clip being encoded holds one, and its check another.
  const std::string cache = std::to_string(clipsAtOnce * 2 + 2);
  setenv("MLT_AVFORMAT_PRODUCER_CACHE", cache.c_str(), 0);

  // Modules print to standard error as they register (the LADSPA plug-ins
  // they did not find...): nothing a user of this command needs.
  std::fflush(stderr);
  const int savedStderr = dup(STDERR_FILENO);
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null >= 0) {
    dup2(null, STDERR_FILENO);
    close(null);
  }
  // MLT's for the process's life: deleting the wrapper would close it.
  Mlt::Repository* repository = Mlt::Factory::init();
  std::fflush(stderr);
  if (savedStderr >= 0) {
    dup2(savedStderr, STDERR_FILENO);
    close(savedStderr);
  }
  mlt_log_set_level(MLT_LOG_WARNING);
  mlt_log_set_callback(RouteLogLine);
  // libav's own lines ("[mp4 @ 0x...] ...") would break into the progress
  // display; what goes wrong in a clip MLT's log and the checks tell. (MLT
  // sets libav's level to its own when avformat's services start.)
  av_log_set_callback([](void*, int, const char*, va_list) {});

  const char* folder = mlt_factory_directory();
  const std::string where = folder ? folder : "MLT's module folder";
  if (!repository || !Offers(repository, mlt_service_producer_type, "avformat") ||
      !Offers(repository, mlt_service_consumer_type, "avformat")) {
    return Failure{"MLT's avformat module is missing from " + where + " (install Debian's libmlt7)"};
  }
  if (needFilter && !Offers(repository, mlt_service_filter_type, "meridel")) {
    return Failure{"MLT has no filter meridel in " + where +
                   ": install the meridel-mlt package, or set MLT_REPOSITORY to a folder that holds libmltmeridel.so "
                   "beside MLT's own modules"};
  }
  return {};
}

void WatchService(mlt_service service, int clip) {
  LogRoutes& routes = Routes();
  const std::lock_guard<std::mutex> lock(routes.mutex);
  routes.clips[service] = clip;
}

void ForgetService(mlt_service service) {
  LogRoutes& routes = Routes();
  const std::lock_guard<std::mutex> lock(routes.mutex);
  routes.clips.erase(service);
}

std::vector<LogLine> TakeLogLines(int clip) {
  LogRoutes& routes = Routes();
  const std::lock_guard<std::mutex> lock(routes.mutex);
  std::vector<LogLine> lines;
  lines.swap(routes.lines[clip]);
  return lines;
}

}  // namespace meridel::cli
