#include "cli/runs.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

extern "C" {
#include <framework/mlt_log.h>
}

#include "cli/clip_chain.h"
#include "cli/clip_plan.h"
#include "cli/clip_report.h"
#include "cli/exit_status.h"
#include "cli/mlt_session.h"
#include "cli/reporter.h"
#include "cli/stop_signals.h"
#include "track/track_source.h"

namespace meridel::cli {
namespace {

using Clock = std::chrono::steady_clock;

// How often a clip is started whose encoder ended before its first frame
// (ClipEncoder::EndedUnstarted).
constexpr int kStartAttempts = 3;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The track, imported as the filter will import it. Nothing, after saying
// why, when it holds no point: every clip would then show 0 and 0.
std::optional<TrackTimes> ReadTrack(const std::string& path, TrackSource& track, Reporter& reporter) {
  std::string message;
  FollowTrackFile(track, path, message);
  const std::optional<TrackTimes> times = TrackTimesOf(track.store);
  if (!times) {
    reporter.Fail(path + ": " + message);
    return std::nullopt;
  }
  reporter.Say(path + ": " + message);
  return times;
}

// mkdir -p, naming the part of `dir` in the way as the user wrote it.
Result<> MakeFolders(const std::filesystem::path& dir) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (!error) return {};
  // The first part, from the top, that is not a folder: the one that is
  // something else, or that could not be made.
  std::vector<std::filesystem::path> parts;
  for (std::filesystem::path part = dir; part.has_relative_path(); part = part.parent_path()) parts.push_back(part);
  for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
    std::error_code ignored;
    if (std::filesystem::is_directory(*part, ignored)) continue;
    if (std::filesystem::exists(*part, ignored)) return Failure{part->native() + " is not a folder"};
    return Failure{part->native() + ": " + error.message()};
  }
  return Failure{dir.native() + ": " + error.message()};
}

// Why a clip is not captioned over an output that is there.
Failure OutputExists(const std::filesystem::path& output) {
  return Failure{output.native() + " exists (--overwrite replaces it)"};
}

struct PlannedClip {
  ClipPlan plan;
  OpenedClip opened;
};

// Clip `id` of `invocation` opened and planned on the track, or the failure,
// naming it, that says why it cannot be.
Result<PlannedClip> OpenAndPlan(int id, const Invocation& invocation, int32_t trackStart) {
  const std::string& path = invocation.clips[id];
  Result<OpenedClip> opened = OpenClip(path);
  if (!opened.ok()) return Failure{path + ": " + opened.failure().line};
  ClipSummary clip;
  clip.clip = path;
  clip.facts = opened->facts;
  clip.rateNum = opened->profile->frame_rate_num();
  clip.rateDen = opened->profile->frame_rate_den();
  clip.frameCount = opened->frameCount;
  Result<ClipPlan> plan = PlanClip(std::move(clip), id, invocation, trackStart);
  if (!plan.ok()) return plan.failure();
  return PlannedClip{std::move(*plan), std::move(*opened)};
}

// The partial output removed, whatever is left of it.
void RemovePartial(const ClipPlan& plan) {
  std::error_code ignored;
  std::filesystem::remove(plan.partial, ignored);
}

// Moves a complete partial output to its name. Without --overwrite a file
// that appeared there meanwhile is kept: link(2) fails on it.
Result<> Publish(const ClipPlan& plan) {
  const std::filesystem::path& output = plan.summary.output;
  std::error_code error;
  if (plan.overwrite) {
    std::filesystem::rename(plan.partial, output, error);
  } else {
    std::filesystem::create_hard_link(plan.partial, output, error);
    if (error == std::errc::file_exists) return OutputExists(output);
    if (!error) RemovePartial(plan);
  }
  if (error) return Failure{output.native() + ": " + error.message()};
  return {};
}

struct Running {
  ClipPlan plan;
  OpenedClip opened;
  int slot = 0;
  int attempts = 0;
  Clock::time_point started;
  std::unique_ptr<ClipEncoder> encoder;
  std::optional<std::string> lastError;
};

// Passes on the filter's words and keeps the last error of the clip's
// other services, for its failure line.
void Drain(Running& clip, Reporter& reporter) {
  for (const LogLine& line : TakeLogLines(clip.plan.id)) {
    if (line.service == clip.encoder->FilterService()) {
      reporter.Warn(clip.plan.summary.clip + ": " + line.text);
    } else if (line.level <= MLT_LOG_ERROR) {
      clip.lastError = line.text;
    }
  }
}

struct Tally {
  int captioned = 0;
  int failed = 0;
};

// Every clip opened, planned and said so; the clips that can be captioned,
// in order. The others fail here, each with its line.
std::deque<PlannedClip> PlanAll(const Invocation& invocation, int32_t trackStart,
                                const std::optional<TrackTimes>& times, Reporter& reporter, Tally& tally) {
  std::deque<PlannedClip> planned;
  std::map<std::string, std::string> outputs;  // output -> the clip it is for
  for (size_t i = 0; i < invocation.clips.size(); ++i) {
    Result<PlannedClip> clip = OpenAndPlan(static_cast<int>(i), invocation, trackStart);
    if (!clip.ok()) {
      reporter.Fail(clip.failure().line);
      ++tally.failed;
      continue;
    }
    const ClipSummary& summary = clip->plan.summary;
    reporter.Say(AlignmentLine(summary, times));
    for (const std::string& warning : ClipWarnings(summary, times)) reporter.Warn(warning);
    if (const auto [other, fresh] = outputs.try_emplace(summary.output.native(), summary.clip); !fresh) {
      reporter.Fail(summary.clip + ": its output " + summary.output.native() + " is that of " + other->second + " too");
      ++tally.failed;
    } else if (summary.outputExists && !clip->plan.overwrite) {
      reporter.Fail(summary.clip + ": " + OutputExists(summary.output).line);
      ++tally.failed;
    } else {
      planned.push_back(std::move(*clip));
    }
  }
  return planned;
}

// Starts (or starts again) the clip's encoder; false, after saying why, when
// it does not start.
bool StartEncoder(Running& clip, Reporter& reporter) {
  ++clip.attempts;
  clip.started = Clock::now();
  Result<std::unique_ptr<ClipEncoder>> started = ClipEncoder::Start(clip.plan, clip.opened);
  if (!started.ok()) {
    RemovePartial(clip.plan);
    ForgetPartial(clip.slot);
    reporter.Fail(clip.plan.summary.clip + ": " + started.failure().line);
    return false;
  }
  clip.encoder = std::move(*started);
  return true;
}

// Starts encoding a clip into its partial output, kept in `slot` for the
// signal handler; nothing, after saying why, when it does not start.
std::unique_ptr<Running> StartClip(PlannedClip planned, int slot, Reporter& reporter) {
  auto clip = std::make_unique<Running>();
  clip->plan = std::move(planned.plan);
  clip->opened = std::move(planned.opened);
  clip->slot = slot;
  KeepPartial(slot, clip->plan.partial.native());
  if (!StartEncoder(*clip, reporter)) return nullptr;
  return clip;
}

// A clip whose consumer stopped, or that a signal stops: its output
// published when whole, else removed, and its line said.
void FinishClip(Running& clip, const ClipProgress& state, bool stopping, Reporter& reporter, Tally& tally) {
  clip.encoder->Stop();
  Drain(clip, reporter);
  const Result<> written = stopping ? Result<>() : clip.encoder->Written(clip.lastError);
  clip.encoder.reset();
  const std::string& name = clip.plan.summary.clip;
  const std::string& output = clip.plan.summary.output.native();
  if (stopping) {
    RemovePartial(clip.plan);
    reporter.Fail(name + ": interrupted; nothing written to " + output);
  } else if (!written.ok()) {
    RemovePartial(clip.plan);
    reporter.Fail(name + ": " + written.failure().line + "; nothing written to " + output);
    ++tally.failed;
  } else if (const Result<> published = Publish(clip.plan); !published.ok()) {
    RemovePartial(clip.plan);
    reporter.Fail(name + ": " + published.failure().line);
    ++tally.failed;
  } else {
    reporter.Say(DoneLine(state, output));
    ++tally.captioned;
  }
  ForgetPartial(clip.slot);
}

// Encodes the clips, `jobs` at once, showing their progress, until all are
// done or a signal stops the run.
void EncodeAll(std::deque<PlannedClip> waiting, int jobs, Reporter& reporter, Tally& tally) {
  std::vector<std::unique_ptr<Running>> running;
  std::vector<bool> slotUsed(jobs, false);
  while (!waiting.empty() || !running.empty()) {
    while (!StopSignal() && !waiting.empty() && static_cast<int>(running.size()) < jobs) {
      const int slot = static_cast<int>(std::find(slotUsed.begin(), slotUsed.end(), false) - slotUsed.begin());
      std::unique_ptr<Running> clip = StartClip(std::move(waiting.front()), slot, reporter);
      waiting.pop_front();
      if (!clip) {
        ++tally.failed;
        continue;
      }
      slotUsed[slot] = true;
      running.push_back(std::move(clip));
    }
    if (running.empty()) break;

    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const bool stopping = StopSignal() != 0;
    std::vector<Reporter::Running> progress;
    for (auto it = running.begin(); it != running.end();) {
      Running& clip = **it;
      Drain(clip, reporter);
      const ClipProgress state{std::filesystem::path(clip.plan.summary.clip).filename().native(), clip.encoder->FramesDone(),
                               clip.plan.summary.frameCount, SecondsSince(clip.started)};
      if (!stopping && !clip.encoder->Finished()) {
        progress.push_back({clip.plan.id, state});
        ++it;
        continue;
      }
      if (!stopping && clip.encoder->EndedUnstarted() && clip.attempts < kStartAttempts) {
        clip.encoder.reset();
        if (StartEncoder(clip, reporter)) {
          ++it;
          continue;
        }
        ++tally.failed;
      } else {
        FinishClip(clip, state, stopping, reporter, tally);
      }
      slotUsed[clip.slot] = false;
      it = running.erase(it);
    }
    reporter.Progress(progress);
  }
  reporter.EndProgress();
}

}  // namespace

int RunCaption(const Invocation& invocation) {
  const Clock::time_point runStarted = Clock::now();
  Reporter reporter(invocation.quiet);
  const int jobs = invocation.jobs > 0 ? invocation.jobs : DefaultJobs(std::thread::hardware_concurrency());
  if (const Result<> started = StartMlt(jobs, true); !started.ok()) {
    reporter.Fail(started.failure().line);
    return kExitFailure;
  }
  TrackSource track;
  const std::optional<TrackTimes> times = ReadTrack(invocation.settings.gpxFile, track, reporter);
  if (!times) return kExitFailure;
  if (!invocation.outputDir.empty()) {
    if (const Result<> made = MakeFolders(invocation.outputDir); !made.ok()) {
      reporter.Fail(made.failure().line);
      return kExitFailure;
    }
  }

  Tally tally;
  std::deque<PlannedClip> planned = PlanAll(invocation, track.baseTime, times, reporter, tally);
  InstallStopHandlers();
  EncodeAll(std::move(planned), jobs, reporter, tally);

  const int signal = StopSignal();
  if (signal != 0 || tally.failed > 0 || !reporter.Quiet()) {
    // Said with --quiet too when something went wrong.
    const std::string summary = SummaryLine(tally.captioned, tally.failed, SecondsSince(runStarted), signal != 0);
    if (reporter.Quiet()) {
      reporter.Fail(summary);
    } else {
      reporter.Say("meridel: " + summary);
    }
  }
  return ExitStatusOf(tally.failed, signal);
}

int RunInspect(const Invocation& invocation) {
  Reporter reporter(invocation.quiet);
  if (const Result<> started = StartMlt(1, false); !started.ok()) {
    reporter.Fail(started.failure().line);
    return kExitFailure;
  }
  TrackSource track;
  const std::optional<TrackTimes> times = ReadTrack(invocation.settings.gpxFile, track, reporter);
  if (!times) return kExitFailure;
  int failed = 0;
  for (size_t i = 0; i < invocation.clips.size(); ++i) {
    const Result<PlannedClip> clip = OpenAndPlan(static_cast<int>(i), invocation, track.baseTime);
    if (!clip.ok()) {
      reporter.Fail(clip.failure().line);
      ++failed;
      continue;
    }
    const std::string text = InspectText(clip->plan.summary, times, clip->plan.overwrite);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  }
  return failed > 0 ? kExitFailure : kExitSuccess;
}

}  // namespace meridel::cli
