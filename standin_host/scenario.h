// Scenario files: one step per line, data rather than code.
//
//   # comment
//   VERB ARG... key=value... flag...
//
// Arguments are numbers or "quoted texts" (\n, \" and \\ escapes); a key's
// value may be quoted too; flags are bare words. "must-fail STEP" passes only
// when STEP fails, which keeps the checks themselves honest. The verbs and
// what each accepts are listed in scenario.cpp.
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
