#include "josm_link.h"

#include <windows.h>

#include <fstream>

#include "text.h"

namespace standin {
namespace {

constexpr DWORD kControlTimeoutMs = 30000;
constexpr DWORD kRequestWaitMs = 5000;
constexpr DWORD kStragglerMs = 300;

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

uint64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The value of "path" in one log line: a JSON string, or null.
std::string PathOf(const std::string& line) {
  const std::string key = "\"path\":";
  size_t i = line.find(key);
  if (i == std::string::npos) return "(no path)";
  i += key.size();
  while (i < line.size() && line[i] == ' ') ++i;
  if (i >= line.size() || line[i] != '"') return "(null)";
  std::string value;
  for (++i; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) {
      const char next = line[++i];
      value += next == 'n' ? '\n' : next == 't' ? '\t' : next;  // \uXXXX does not occur in request paths
    } else {
      value += line[i];
    }
  }
  return value;
}

}  // namespace

JosmLink::JosmLink(std::string directory) : directory_(std::move(directory)) {
  if (Available()) Mark();
}

std::string JosmLink::Path(const char* name) const { return WindowsPath(directory_ + "/" + name); }

bool JosmLink::Control(const std::string& command, std::string& error) {
  if (!Available()) {
    error = "no JOSM stand-in beside this run (see tests/e2e/run_e2e.sh)";
    return false;
  }
  const std::string request = Path("request");
  const std::string temporary = request + ".tmp";
  DeleteFileA(Path("state").c_str());
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << command << "\n";
  }
  if (!MoveFileExA(temporary.c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    error = "cannot write " + request;
    return false;
  }
  const ULONGLONG start = GetTickCount64();
  while (Exists(request)) {
    if (GetTickCount64() - start > kControlTimeoutMs) {
      error = "the driver did not answer " + Quoted(command);
      return false;
    }
    Sleep(50);
  }
  std::ifstream stateFile(Path("state"), std::ios::binary);
  std::string state;
  std::getline(stateFile, state);
  const std::string wanted = command.rfind("start", 0) == 0 ? "running" : "stopped";
  if (state != wanted) {
    error = Quoted(command) + " left the stand-in " + Quoted(state);
    return false;
  }
  Mark();
  return true;
}

void JosmLink::Mark() { mark_ = FileSize(Path("log.jsonl")); }

std::vector<std::string> JosmLink::ReadFromMark(uint64_t& end) const {
  std::vector<std::string> paths;
  std::ifstream file(Path("log.jsonl"), std::ios::binary);
  end = mark_;
  if (!file) return paths;
  file.seekg(0, std::ios::end);
  const uint64_t size = static_cast<uint64_t>(file.tellg());
  if (size < mark_) return paths;  // a fresh log: nothing since the mark
  file.seekg(static_cast<std::streamoff>(mark_));
  std::string line;
  while (std::getline(file, line)) {
    if (file.eof()) break;  // a line still being written
    end += line.size() + 1;
    paths.push_back(PathOf(line));
  }
  return paths;
}

size_t JosmLink::CountSinceMark() const {
  uint64_t end = mark_;
  return ReadFromMark(end).size();
}

std::vector<std::string> JosmLink::TakeRequests(size_t expected) {
  uint64_t end = mark_;
  const ULONGLONG start = GetTickCount64();
  while (ReadFromMark(end).size() < expected && GetTickCount64() - start < kRequestWaitMs) Sleep(50);
  Sleep(kStragglerMs);
  std::vector<std::string> paths = ReadFromMark(end);
  mark_ = end;
  return paths;
}

}  // namespace standin
