#include "scenario.h"

#include <algorithm>
#include <fstream>

#include "text.h"

namespace standin {
namespace {

// What each verb takes; scenario.h says what each does.
struct VerbSyntax {
  const char* verb;
  int minArgs;
  int maxArgs;  // -1: any number
  std::set<std::string> keys;
  std::set<std::string> flags;
};

const std::vector<VerbSyntax>& Grammar() {
  static const std::vector<VerbSyntax> grammar = {
      {"table", 0, 0, {}, {}},
      {"startup", 0, 0, {"result", "com"}, {}},
      {"source", 4, 4, {"result"}, {"fail"}},
      {"track", 2, 2, {}, {}},
      {"check", 2, 2, {"result"}, {}},
      {"press", 1, 1, {"file", "face", "size", "rgb", "message", "result", "high-word"}, {"cancel"}},
      {"current-frame", 1, 1, {}, {}},
      {"frame", 1, 1, {"save", "caption"}, {"check-picture"}},
      {"expect-passes", 0, 0, {"x", "y", "text", "border", "face", "height"}, {}},
      {"expect-settings", 0, 0, {"text", "border", "face", "height", "base-time"}, {"zero"}},
      {"josm-start", 0, 0, {"mode"}, {}},
      {"josm-stop", 0, 0, {}, {}},
      {"pause", 1, 1, {}, {}},
      {"expect-josm", 0, -1, {}, {}},
      {"exit", 0, 0, {"result"}, {}},
  };
  return grammar;
}

// A bare word, a number, a "quoted text", or key=value with the value bare or quoted.
struct Token {
  std::string key;  // empty unless key=value
  std::string value;
  bool quoted = false;
};

bool ReadQuoted(const std::string& line, size_t& i, std::string& out, std::string& error) {
  ++i;  // the opening quote
  for (; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] != '\\') {
      out += line[i];
      continue;
    }
    const char next = i + 1 < line.size() ? line[++i] : '\0';
    if (next == 'n') out += '\n';
    else if (next == '"' || next == '\\') out += next;
    else {
      error = "unknown escape \\" + std::string(1, next);
      return false;
    }
  }
  if (i == line.size()) {
    error = "unterminated quote";
    return false;
  }
  ++i;  // the closing quote
  return true;
}

bool Tokenize(const std::string& line, std::vector<Token>& tokens, std::string& error) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  size_t i = 0;
  while (true) {
    while (i < line.size() && blank(line[i])) ++i;
    if (i == line.size() || line[i] == '#') return true;
    Token token;
    if (line[i] != '"') {
      while (i < line.size() && !blank(line[i]) && line[i] != '=') token.value += line[i++];
      if (i < line.size() && line[i] == '=') {
        token.key = token.value;
        token.value.clear();
        ++i;
      }
    }
    if (i < line.size() && line[i] == '"') {
      token.quoted = true;
      if (!ReadQuoted(line, i, token.value, error)) return false;
    } else if (!token.key.empty()) {
      while (i < line.size() && !blank(line[i])) token.value += line[i++];
    }
    if (i < line.size() && !blank(line[i])) {
      error = "a quote must end its word";
      return false;
    }
    tokens.push_back(std::move(token));
  }
}

bool ParseStep(const std::string& line, Step& step, std::string& error) {
  std::vector<Token> tokens;
  if (!Tokenize(line, tokens, error)) return false;
  size_t i = 0;
  if (i < tokens.size() && tokens[i].key.empty() && !tokens[i].quoted && tokens[i].value == "must-fail") {
    step.mustFail = true;
    ++i;
  }
  if (i == tokens.size()) {
    if (step.mustFail) error = "must-fail needs a step";
    return !step.mustFail;
  }
  step.verb = tokens[i++].value;
  const auto syntax = std::find_if(Grammar().begin(), Grammar().end(),
                                   [&](const VerbSyntax& s) { return step.verb == s.verb; });
  if (syntax == Grammar().end()) {
    error = "unknown step " + Quoted(step.verb);
    return false;
  }
  for (; i < tokens.size(); ++i) {
    Token& token = tokens[i];
    if (!token.key.empty()) {
      if (!syntax->keys.count(token.key)) {
        error = step.verb + " takes no " + token.key + "=";
        return false;
      }
      if (!step.options.emplace(token.key, std::move(token.value)).second) {
        error = token.key + "= given twice";
        return false;
      }
    } else if (token.quoted || ParseInt(token.value)) {
      step.args.push_back(std::move(token.value));
    } else if (syntax->flags.count(token.value)) {
      step.flags.insert(token.value);
    } else {
      error = step.verb + " takes no flag " + Quoted(token.value);
      return false;
    }
  }
  const int count = static_cast<int>(step.args.size());
  if (count < syntax->minArgs || (syntax->maxArgs >= 0 && count > syntax->maxArgs)) {
    error = step.verb + " takes " + Dec(syntax->minArgs) +
            (syntax->maxArgs == syntax->minArgs ? "" : " or more") + " arguments, not " + Dec(count);
    return false;
  }
  return true;
}

}  // namespace

std::optional<Scenario> LoadScenario(const std::string& path, std::string& error) {
  std::ifstream file(WindowsPath(path), std::ios::binary);
  if (!file) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  Scenario scenario;
  const size_t slash = path.find_last_of("/\\");
  scenario.directory = slash == std::string::npos ? "." : path.substr(0, slash);
  scenario.name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  scenario.name = scenario.name.substr(0, scenario.name.rfind('.'));
  std::string line;
  for (int number = 1; std::getline(file, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Step step;
    step.line = number;
    step.source = line;
    if (!ParseStep(line, step, error)) {
      error = path + ":" + Dec(number) + ": " + error;
      return std::nullopt;
    }
    if (!step.verb.empty()) scenario.steps.push_back(std::move(step));
  }
  return scenario;
}

}  // namespace standin
