// Which of the decoders the games need this FFmpeg lacks: a build of it
// without the Windows Media ones plays nothing of those games' video.
extern "C" {
#include <libavcodec/avcodec.h>
}

#include "platform/media_decoder.h"

namespace vesk::platform {

std::vector<std::string> MissingMediaCodecs() {
  static const char* const kNeeded[] = {"vorbis", "wmav1", "wmav2", "wmv1", "wmv2", "wmv3"};
  std::vector<std::string> missing;
  for (const char* name : kNeeded)
    if (avcodec_find_decoder_by_name(name) == nullptr) missing.emplace_back(name);
  return missing;
}

}  // namespace vesk::platform
