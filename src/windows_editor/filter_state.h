// What one filter of the host keeps between callbacks. The host's interface
// allows one filter per loaded module, so the module holds exactly one of
// these (host/filter_table.cpp) and hands it to everything it calls.
#pragma once

#include "josm/remote_control.h"
#include "overlay/overlay_settings.h"
#include "overlay/style_choosers.h"
#include "track/track_store.h"

namespace meridel {

struct FilterState {
  // The host keeps this block's address as the filter's extra data and
  // stores its bytes with the project: all zero at load, cleared and given
  // its start values by start-up, written by the choosers, the import
  // (baseTime) and the host.
  OverlaySettings settings{};
  // The last imported track and its lookup cursor: emptied by start-up,
  // replaced by each import, dropped at exit. Not stored with the project.
  TrackStore track;
  // Made by the first frame after start-up and by each confirmed font
  // choice; released when replaced and at exit.
  CaptionFont font;
  // The source's rate / scale from the last source-opened message; 0 from
  // start-up until then.
  double framesPerSecond = 0.0;
  // The HTTP session to JOSM: from the first request to exit. Start-up
  // leaves it alone.
  JosmLink josm;
  // Whether start-up's CoInitialize succeeded, so that exit balances only a
  // successful one.
  bool comInitialized = false;
};

}  // namespace meridel
