#include "cli/clip_chain.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "cli/encoding.h"
#include "cli/mlt_session.h"

namespace meridel::cli {
namespace {

// Whether the file system holding `path` has (next to) no room left.
bool DiskFull(const std::filesystem::path& path) {
  const std::filesystem::path folder = path.parent_path();
  std::error_code error;
  const std::filesystem::space_info space = std::filesystem::space(folder.empty() ? "." : folder, error);
  return !error && space.available < 256 * 1024;
}

}  // namespace

Result<OpenedClip> OpenClip(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error) return Failure{error.message()};
  if (std::filesystem::is_directory(status)) return Failure{"is a folder, not a clip"};
  // open(2) says why a file cannot be read; MLT would not.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Failure{std::strerror(errno)};
  close(fd);

  OpenedClip clip;
  clip.profile = std::make_unique<Mlt::Profile>();
  {
    // A first look sets the profile to the clip's size and rate; the
    // producer counts its frames at the profile's rate, so it is opened
    // again at that one.
    Mlt::Producer probe(*clip.profile, "avformat", path.c_str());
    if (!probe.is_valid()) return Failure{"is not a video MLT's avformat producer can read"};
    if (probe.get_int("video_index") < 0 || probe.get_int("width") <= 0) return Failure{"has no video stream"};
    clip.profile->from_producer(probe);
    clip.profile->set_explicit(1);
  }
  Mlt::Producer producer(*clip.profile, "avformat", path.c_str());
  if (!producer.is_valid()) return Failure{"is not a video MLT's avformat producer can read"};
  clip.facts = media::FactsOf(producer.get_properties());
  clip.frameCount = producer.get_length();
  if (clip.frameCount <= 0 || clip.profile->frame_rate_num() <= 0 || clip.profile->frame_rate_den() <= 0) {
    return Failure{"has no frames MLT can count"};
  }
  return clip;
}

Result<std::unique_ptr<ClipEncoder>> ClipEncoder::Start(const ClipPlan& plan, const OpenedClip& clip) {
  std::unique_ptr<ClipEncoder> encoder(new ClipEncoder);
  encoder->partial_ = plan.partial;
  encoder->frameCount_ = clip.frameCount;
  Mlt::Profile& profile = *clip.profile;

  encoder->producer_ = std::make_unique<Mlt::Producer>(profile, "avformat", plan.summary.clip.c_str());
  if (!encoder->producer_->is_valid()) return Failure{"is not a video MLT's avformat producer can read"};
  // Its cache keeps a copy of every frame for players that step back and
  // forth; a run from start to end never asks for one again.
  encoder->producer_->set("noimagecache", 1);

  encoder->filter_ = std::make_unique<Mlt::Filter>(profile, "meridel");
  if (!encoder->filter_->is_valid()) return Failure{"MLT could not make the meridel filter"};
  for (const auto& [name, value] : plan.filter) encoder->filter_->set(name.c_str(), value.c_str());
  encoder->producer_->attach(*encoder->filter_);

  encoder->consumer_ = std::make_unique<Mlt::Consumer>(profile, "avformat", plan.partial.c_str());
  if (!encoder->consumer_->is_valid()) return Failure{"MLT could not make its avformat consumer"};
  Mlt::Consumer& consumer = *encoder->consumer_;
  consumer.set("f", "mp4");  // the partial name ends in .part
  consumer.set("vcodec", std::string(kVideoCodec).c_str());
  consumer.set("crf", kCrf);
  consumer.set("preset", std::string(kPreset).c_str());
  consumer.set("pix_fmt", "yuv420p");
  // The decoder's format, drawn on in place: no conversion to MLT's
  // default yuv422 and back (see mlt_planes_fix.cpp).
  consumer.set("mlt_image_format", "yuv420p");
  if (clip.facts.audio) {
    consumer.set("acodec", std::string(kAudioCodec).c_str());
    consumer.set("frequency", clip.facts.audio->sampleRate);
    consumer.set("channels", clip.facts.audio->channels);
    consumer.set("ab", std::to_string(AudioBitRate(clip.facts.audio->bitRate, clip.facts.audio->channels)).c_str());
  } else {
    consumer.set("an", 1);
  }
  for (const auto& [name, value] : media::ContainerTags(encoder->producer_->get_properties())) {
    consumer.set(("meta.attr." + name + ".markup").c_str(), value.c_str());
  }
  // Decoding and the filter on a thread of their own, beside the encoder's;
  // no frame is ever dropped.
  consumer.set("real_time", -1);
  consumer.set("terminate_on_pause", 1);

  for (Mlt::Service* service : {static_cast<Mlt::Service*>(encoder->producer_.get()),
                                static_cast<Mlt::Service*>(encoder->filter_.get()),
                                static_cast<Mlt::Service*>(encoder->consumer_.get())}) {
    WatchService(service->get_service(), plan.id);
  }
  mlt_events_listen(consumer.get_properties(), encoder.get(), "consumer-frame-show", OnFrameShown);
  mlt_events_listen(consumer.get_properties(), encoder.get(), "consumer-fatal-error", OnFatalError);
  mlt_events_listen(consumer.get_properties(), encoder.get(), "consumer-stopped", OnStopped);

  consumer.connect(*encoder->producer_);
  if (consumer.start() != 0) return Failure{"MLT's avformat consumer did not start"};
  return encoder;
}

ClipEncoder::~ClipEncoder() {
  Stop();
  for (Mlt::Service* service : {static_cast<Mlt::Service*>(producer_.get()), static_cast<Mlt::Service*>(filter_.get()),
                                static_cast<Mlt::Service*>(consumer_.get())}) {
    if (service) ForgetService(service->get_service());
  }
  consumer_.reset();
  filter_.reset();
  producer_.reset();
}

void ClipEncoder::OnFrameShown(mlt_properties, void* self, mlt_event_data) {
  static_cast<ClipEncoder*>(self)->framesDone_.fetch_add(1);
}

void ClipEncoder::OnFatalError(mlt_properties, void* self, mlt_event_data) {
  static_cast<ClipEncoder*>(self)->fatal_.store(true);
}

void ClipEncoder::OnStopped(mlt_properties, void* self, mlt_event_data) {
  static_cast<ClipEncoder*>(self)->stopped_.store(true);
}

bool ClipEncoder::Finished() { return !consumer_ || stopped_.load() || consumer_->is_stopped(); }

void ClipEncoder::Stop() {
  if (consumer_ && !consumer_->is_stopped()) consumer_->stop();
}

Result<> ClipEncoder::Written(const std::optional<std::string>& lastError) {
  std::string problem;
  if (fatal_.load()) {
    problem = "the encoder failed";
  } else if (FramesDone() < frameCount_) {
    problem = "the encoder stopped after " + std::to_string(FramesDone()) + " of " + std::to_string(frameCount_) +
              " frames";
  } else {
    // The file's index is written last, and a failure to write it is not
    // reported: read the output back.
    Mlt::Profile profile;
    Mlt::Producer written(profile, "avformat", partial_.c_str());
    if (!written.is_valid() || written.get_int("video_index") < 0) problem = "the output cannot be read back";
  }
  if (problem.empty()) return {};
  if (DiskFull(partial_)) problem += ": no space left on the disk";
  if (lastError) problem += " (" + *lastError + ")";
  return Failure{problem};
}

}  // namespace meridel::cli
