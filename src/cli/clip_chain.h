// One clip through MLT: opened to learn what it is, then encoded through
// the chain avformat producer -> filter meridel -> avformat consumer, in
// the consumer's own threads, while the command watches.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include <mlt++/Mlt.h>

#include "cli/clip_plan.h"
#include "cli/result.h"
#include "media/producer_facts.h"

namespace meridel::cli {

// A clip and the profile it is encoded at: its own frame size and rate.
struct OpenedClip {
  std::unique_ptr<Mlt::Profile> profile;
  media::ProducerFacts facts;
  int64_t frameCount = 0;
};

// The clip at `path`, or the failure (without the clip's name) saying why
// it cannot be captioned: missing, unreadable, no video MLT can decode.
Result<OpenedClip> OpenClip(const std::string& path);

class ClipEncoder {
 public:
  // Starts encoding the planned clip, opened as `clip`, into its partial
  // output; the lines MLT logs on its services are kept under its id.
  static Result<std::unique_ptr<ClipEncoder>> Start(const ClipPlan& plan, const OpenedClip& clip);
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

  // Once Finished() (or after Stop()): whether the partial output is the
  // whole clip encoded, else why not. `lastError` is the last error MLT
  // logged on the clip's services, if any.
  Result<> Written(const std::optional<std::string>& lastError);

  // Stops the consumer: the frames under way are written, then the file
  // is closed.
  void Stop();

 private:
  ClipEncoder() = default;
  static void OnFrameShown(mlt_properties, void* self, mlt_event_data);
  static void OnFatalError(mlt_properties, void* self, mlt_event_data);
  static void OnStopped(mlt_properties, void* self, mlt_event_data);

  std::filesystem::path partial_;
  int64_t frameCount_ = 0;
  std::unique_ptr<Mlt::Producer> producer_;
  std::unique_ptr<Mlt::Filter> filter_;
  std::unique_ptr<Mlt::Consumer> consumer_;
  std::atomic<int64_t> framesDone_{0};
  std::atomic<bool> fatal_{false};
  std::atomic<bool> stopped_{false};  // its thread has ended
};

}  // namespace meridel::cli
