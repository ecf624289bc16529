// Where the command's lines go: standard error, as a terminal's redrawn
// progress block or as plain lines; inspect's facts go to standard output.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "cli/progress.h"

namespace meridel::cli {

class Reporter {
 public:
  // A terminal is standard error when it is one and TERM is not "dumb".
  explicit Reporter(bool quiet);

  bool Quiet() const { return quiet_; }

  // What the command is doing; not said with --quiet.
  void Say(const std::string& line);
  // "meridel: warning: ..."; not said with --quiet.
  void Warn(const std::string& line);
  // "meridel: ...": a failure, always said.
  void Fail(const std::string& line);
  // The clips being encoded, in the order they started; `id` tells a clip's
  // plain lines apart.
  struct Running {
    int id;
    ClipProgress progress;
  };
  void Progress(const std::vector<Running>& running);
  // Takes the progress block off the terminal.
  void EndProgress();

 private:
  void Emit(const std::string& line);

  bool quiet_;
  bool terminal_;
  TerminalBoard board_;
  std::vector<std::string> lasting_;  // said since the last redraw, on a terminal
  std::vector<std::string> live_;
  std::map<int, int> tenthsSaid_;
};

}  // namespace meridel::cli
