#include "media/media_item.h"

#include <cctype>

namespace vesk::media {

namespace {

std::string LowerExtension(const std::string& name) {
  const size_t dot = name.find_last_of(".\\/");
  if (dot == std::string::npos || name[dot] != '.') return {};
  std::string ext = name.substr(dot);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace

TMediaManager* TMediaManagers::ForSoundName(const std::string& name) const {
  const std::string ext = LowerExtension(name);
  if (ext == ".mid" || ext == ".sgt") return midi;
  if (ext == ".wma" || ext == ".asf" || ext == ".wmv") return wmp;
  if (ext == ".ogg" || ext == ".wav") return ogg;
  if (name.compare(0, 3, "CD_") == 0) return cdda;
  return nullptr;
}

}  // namespace vesk::media
