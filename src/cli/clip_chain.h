// One clip through MLT: opened to learn what it is, then encoded through
// the chain avformat producer -> filter meridel -> avformat consumer, in
// the consumer's own threads, while the command watches.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include <mlt++/Mlt.h>

#include "media/producer_facts.h"

namespace meridel::cli {

// A clip and the profile it is encoded at: its own frame size and rate.
struct OpenedClip {
  std::unique_ptr<Mlt::Profile> profile;
  media::ProducerFacts facts;
  int64_t frameCount = 0;
};

// The clip at `path`, or the line (without the clip's name) saying why it
// cannot be captioned: missing, unreadable, no video MLT can decode.
std::variant<OpenedClip, std::string> OpenClip(const std::string& path);

// Property name and text.
using Properties = std::vector<std::pair<std::string, std::string>>;

class ClipEncoder {
 public:
  // Starts encoding `clip` into `partial` with the filter's `filterProperties`.
  // `logClip` names the clip for the lines MLT logs on its services.
  static std::variant<std::unique_ptr<ClipEncoder>, std::string> Start(const std::string& path, const OpenedClip& clip,
                                                                       const Properties& filterProperties,
                                                                       const std::string& partial, int logClip);
  ~ClipEncoder();
  ClipEncoder(const ClipEncoder&) = delete;
  ClipEncoder& operator=(const ClipEncoder&) = delete;

  int64_t FramesDone() const { return framesDone_.load(); }
  // Whether the consumer's thread ended before encoding a frame, with no
  // error: MLT 7.12's avformat consumer marks itself running only after
  // starting its thread, which, when the starting thread is slow to get
  // the processor back, finds itself not running and ends at once. The
  // clip is then started again.
  bool EndedUnstarted() const { return stopped_.load() && framesDone_.load() == 0 && !fatal_.load(); }
  // The filter's service: the lines MLT logs on it are the filter's words
  // to the user.
  mlt_service FilterService() const { return filter_->get_service(); }
  // Whether the consumer's thread has ended (that race can leave MLT's own
  // is_stopped() false for good).
  bool Finished();

  // Once Finished() (or after Stop()): why the partial output is not the
  // whole clip encoded, or nothing when it is. `lastError` is the last
  // error MLT logged on the clip's services, if any.
  std::optional<std::string> Problem(const std::optional<std::string>& lastError);

  // Stops the consumer: the frames under way are written, then the file
  // is closed.
  void Stop();

 private:
  ClipEncoder() = default;
  static void OnFrameShown(mlt_properties, void* self, mlt_event_data);
  static void OnFatalError(mlt_properties, void* self, mlt_event_data);
  static void OnStopped(mlt_properties, void* self, mlt_event_data);

  std::string partial_;
  int64_t frameCount_ = 0;
  int logClip_ = 0;
  std::unique_ptr<Mlt::Producer> producer_;
  std::unique_ptr<Mlt::Filter> filter_;
  std::unique_ptr<Mlt::Consumer> consumer_;
  std::atomic<int64_t> framesDone_{0};
  std::atomic<bool> fatal_{false};
  std::atomic<bool> stopped_{false};  // its thread has ended
};

}  // namespace meridel::cli
