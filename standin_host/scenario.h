// Scenario files: one step per line, data rather than code.
//
//   # comment
//   VERB ARG... key=value... flag...
//
// Arguments are numbers or "quoted texts" (\n, \" and \\ escapes); a key's
// value may be quoted too; flags are bare words. Relative file paths start
// at the scenario's folder. result=N checks what the callback returned.
//
//   table                                   the registration record, field by field
//   startup [com=mta] [result=N]            com=mta: the host's thread is in the MTA already
//   source W H RATE SCALE [fail] [result=N] the source-opened message; GetSourceFileInfo
//                                           answers these (or 0 with fail); checks the
//                                           X and Y maxima and NotifyFilterChanged
//   track "NAME" VALUE                      sets the host's track-bar value
//   check "NAME" VALUE [result=N]           sets a tick box and sends its command
//   press "NAME" [answer] [message="..."] [high-word=N] [result=N]
//                                           sends the button's command; answer is one of
//                                           file=PATH, face="FACE" size=N, rgb=R,G,B,
//                                           cancel; message= is the one message box
//                                           expected (none when absent)
//   current-frame N                         what GetCurrentFrame answers
//   frame N [save=NAME.png] [caption="..."] [check-picture]
//                                           renders frame N (five drawing calls checked)
//   expect-passes [x=X y=Y] [text=R,G,B] [border=R,G,B] [face="FACE"] [height=N]
//                                           the last frame's five drawing calls
//   expect-settings [zero] [text=R,G,B] [border=R,G,B] [face="FACE"] [height=N] [base-time=N]
//                                           the settings block
//   josm-start [mode=ok|400|403|reset|slow|hang], josm-stop
//                                           the JOSM stand-in beside the run
//   pause MS                                waits, e.g. for the module's quiet period
//                                           after an unanswered request to end
//   expect-josm ["PATH"...]                 the requests JOSM received since the last look
//   exit [result=N]                         also checks that COM is as before start-up
//
// "must-fail STEP" passes only when STEP fails, which keeps the checks
// themselves honest.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace standin {

struct Step {
  int line = 0;
  std::string source;  // the line as written, for reports
  bool mustFail = false;
  std::string verb;
  std::vector<std::string> args;
  std::map<std::string, std::string> options;
  std::set<std::string> flags;

  bool Has(const std::string& key) const { return options.count(key) != 0; }
  const std::string& Option(const std::string& key) const { return options.at(key); }
  bool Flag(const std::string& flag) const { return flags.count(flag) != 0; }
};

struct Scenario {
  std::string name;       // the file name without folder and extension
  std::string directory;  // relative file paths in steps start here
  std::vector<Step> steps;
};

// Reads and checks a whole scenario before anything runs: an unknown verb,
// key or flag, or a wrong argument count, is an error with its line number.
std::optional<Scenario> LoadScenario(const std::string& path, std::string& error);

}  // namespace standin
