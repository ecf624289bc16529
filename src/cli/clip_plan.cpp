#include "cli/clip_plan.h"

#include <unistd.h>

#include <system_error>

#include "overlay/setting_table.h"

namespace meridel::cli {
namespace {

// Each setting given, in the text given, under its MLT name; the rest keep
// the filter's defaults. A clip that records no creation time while the rule
// is "clip" is aligned by the track's first point either way: the command
// has warned of it, so the filter is told the rule that applies rather than
// warn again.
Properties FilterProperties(const Invocation& invocation, const ClipSummary& clip) {
  Properties properties;
  for (size_t i = 0; i < invocation.settingTexts.size(); ++i) {
    const auto setting = static_cast<CaptionSetting>(i);
    if (setting == CaptionSetting::kStart && clip.asked == StartKind::kClip && clip.start.kind == StartKind::kTrack) {
      properties.emplace_back(NamesOf(setting).mlt, "track");
    } else if (invocation.settingTexts[i]) {
      properties.emplace_back(NamesOf(setting).mlt, *invocation.settingTexts[i]);
    }
  }
  return properties;
}

}  // namespace

Result<ClipPlan> PlanClip(ClipSummary clip, int id, const Invocation& invocation, int32_t trackStart) {
  namespace fs = std::filesystem;
  ClipPlan plan;
  plan.id = id;
  plan.overwrite = invocation.overwrite;
  clip.asked = invocation.settings.start.kind;
  clip.start = ResolveStart(invocation.settings.start, clip.facts.creationTime, trackStart);
  clip.clockDifference = invocation.settings.clockDifference;
  clip.span = SourceMoments(clip.start.time, clip.frameCount, clip.rateNum, clip.rateDen, clip.clockDifference);
  clip.output = OutputPathOf(clip.clip, invocation.outputDir, invocation.suffix);
  std::error_code error;
  // As lstat(2) sees it: a link to nothing is an output there too.
  clip.outputExists = fs::exists(fs::symlink_status(clip.output, error));
  if (fs::equivalent(clip.clip, clip.output, error)) {
    return Failure{clip.clip + ": its output " + clip.output.native() + " is the clip itself"};
  }
  plan.filter = FilterProperties(invocation, clip);
  plan.partial = PartialPathOf(clip.output, static_cast<long>(getpid()));
  plan.summary = std::move(clip);
  return plan;
}

}  // namespace meridel::cli
