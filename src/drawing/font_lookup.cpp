#include "drawing/font_lookup.h"

#include <fontconfig/fontconfig.h>
#include <sys/stat.h>

#include <memory>
#include <mutex>

namespace meridel::drawing {
namespace {

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

const char* StringOf(const FcPattern* pattern, const char* object, int index) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, object, index, &value) != FcResultMatch) return nullptr;
  return reinterpret_cast<const char*>(value);
}

// A font lists several family names (localised ones, "DejaVu Sans" beside
// "DejaVu Sans Condensed"); any of them answers the request.
bool HasFamily(const FcPattern* font, const char* wanted) {
  for (int i = 0;; ++i) {
    const char* family = StringOf(font, FC_FAMILY, i);
    if (family == nullptr) return false;
    if (FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(family),
                           reinterpret_cast<const FcChar8*>(wanted)) == 0) {
      return true;
    }
  }
}

}  // namespace

FontMatch FindFont(std::string_view setting) {
  // fontconfig loads its configuration on first use; instances made on
  // several threads at once (melt makes one per rendering thread) would
  // race there, so this process's lookups take turns.
  static std::mutex lookups;
  const std::lock_guard<std::mutex> lock(lookups);
  FontMatch match;
  std::string text(setting.empty() ? kDefaultFontPattern : setting);
  if (text.front() == '/' && IsRegularFile(text)) {
    // FreeType says later whether it is a font; fontconfig has nothing to add.
    match.file = text;
    match.exact = true;
    return match;
  }

  // FcNameParse takes any text; one it cannot read yields no pattern, and
  // the default stands in for it.
  Pattern typed(FcNameParse(reinterpret_cast<const FcChar8*>(text.c_str())));
  Pattern requested(typed ? FcPatternDuplicate(typed.get())
                          : FcNameParse(reinterpret_cast<const FcChar8*>(std::string(kDefaultFontPattern).c_str())));
  if (!requested) return match;
  FcConfigSubstitute(nullptr, requested.get(), FcMatchPattern);
  FcDefaultSubstitute(requested.get());

  FcResult result = FcResultNoMatch;
  Pattern font(FcFontMatch(nullptr, requested.get(), &result));
  if (!font) return match;
  const char* file = StringOf(font.get(), FC_FILE, 0);
  if (file == nullptr) return match;
  match.file = file;
  int index = 0;
  if (FcPatternGetInteger(font.get(), FC_INDEX, 0, &index) == FcResultMatch) match.faceIndex = index;
  if (const char* family = StringOf(font.get(), FC_FAMILY, 0)) match.family = family;

  // The family as typed, before substitution appended fallbacks such as
  // "DejaVu Sans" to it; a pattern without one (":bold") asks for none.
  if (typed) {
    const char* wanted = StringOf(typed.get(), FC_FAMILY, 0);
    match.exact = wanted == nullptr || HasFamily(font.get(), wanted);
  }
  return match;
}

}  // namespace meridel::drawing
