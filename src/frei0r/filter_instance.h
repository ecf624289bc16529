// One instance of the frei0r filter: its own settings, track, font, caption
// and JOSM link. frei0r's entry points map onto these calls.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "drawing/caption_painter.h"
#include "frei0r/parameters.h"
#include "josm/remote_control.h"
#include "track/track_source.h"

namespace meridel::frei0r {

class FilterInstance {
 public:
  // For frames of width × height pixels; `hostUnit` is the unit of the
  // host's frame times when the "time unit" parameter says "auto".
  FilterInstance(uint32_t width, uint32_t height, TimeUnit hostUnit);
  ~FilterInstance();
  FilterInstance(const FilterInstance&) = delete;
  FilterInstance& operator=(const FilterInstance&) = delete;

  // `value` points at the frei0r value of the parameter's type (a double for
  // booleans and doubles, three floats for a colour, a char* for a string),
  // owned by the host. Values that cannot be used are refused with one line
  // on standard error and leave the setting as it was.
  void SetParameter(int index, const void* value);
  // Writes the current value where `value` points; a string is this
  // instance's copy, valid until the parameter is set again.
  void GetParameter(int index, void* value);

  // `out` gets `in` with the caption of the frame at host time `time` on
  // top; `in` may be `out`. Imports a GPX file whose parameter changed since
  // the last frame, and with "josm sync" on moves JOSM's view.
  void Update(double time, const uint32_t* in, uint32_t* out);

 private:
  void ImportIfChanged();
  // One line on standard error, the first time it is said by this instance.
  void Say(const std::string& line);

  const uint32_t width_;
  const uint32_t height_;
  const TimeUnit hostUnit_;
  Settings settings_;

  TrackSource track_;
  drawing::CaptionPainter painter_;

  JosmLink josm_;
  std::optional<double> lastSyncedTime_;  // hosts may render a frame more than once

  std::set<std::string> said_;
  // frei0r allows one thread per instance; MLT's "threads" property breaks
  // that, calling one instance for strips of a frame at once.
  std::mutex mutex_;
};

}  // namespace meridel::frei0r
