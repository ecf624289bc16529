#include "track/gpx_file_dialog.h"

#include "platform/platform.h"
#include "track/gpx_import.h"

namespace meridel {
namespace {

// Description, NUL, pattern, NUL, and the list's closing NUL.
constexpr char kGpxFilter[] = "GPX files (*.gpx)\0*.gpx\0";

void ImportAndTell(const char* path, TrackStore& store, int32_t& baseTime) {
  const ImportMessage message = ImportGpxFile(path, store, baseTime);
  platform::ShowMessageBox(nullptr, message.text, "", platform::kMessageBoxOk);
}

}  // namespace

void ImportGpx(std::string path, TrackStore& store, int32_t& baseTime) { ImportAndTell(path.c_str(), store, baseTime); }

void ChooseGpxFile(TrackStore& store, int32_t& baseTime) {
  char path[platform::kPathBufferSize] = {};
  platform::OpenFileDialog dialog{
      .structSize = platform::kOpenFileDialogSize,
      .owner = nullptr,
      .filter = kGpxFilter,
      .filterIndex = 0,
      .fileBuffer = path,
      .bufferSize = platform::kPathBufferSize,
      .flags = platform::kOpenFileMustExist,
  };
  if (platform::RunOpenFileDialog(dialog) == 0) return;
  path[platform::kPathBufferSize - 1] = '\0';  // the path is what precedes the first NUL
  ImportAndTell(path, store, baseTime);
}

}  // namespace meridel
