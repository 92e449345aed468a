#include "media/ogg_stream.h"

#include <algorithm>

#include "core/messages.h"
#include "core/vesk_error.h"

namespace vesk::media {

TOggStream::TOggStream(companion::MediaLibrary& library, int handle)
    : library_(library), handle_(handle), pcm_(library.OggStr(handle)) {
  if (!pcm_ || !library_.OggStrGetFormat(handle_, &format_)) {
    library_.OggStrmanDel(handle_);
    throw EVeskError(MessageCp932(Msg::kBadSoundData));
  }
}

TOggStream::~TOggStream() {
  library_.OggStrmanDel(handle_);
}

void TOggStream::SeekBytes(int64_t position_bytes) {
  pcm_->SeekBytes(std::clamp<int64_t>(position_bytes, 0, pcm_->SizeBytes()));
}

size_t TOggStream::Read(std::span<uint8_t> out) {
  if (out.empty()) return 0;
  return pcm_->Read(out);
}

}  // namespace vesk::media
