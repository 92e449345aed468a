#pragma once
// The companion module's handle families, played over our own wave output:
// WMA and Ogg sounds (the whole file in memory, decoded and mixed), decoded
// Ogg streams the wave output reads itself, and videos. Every Add answers a
// positive handle, or 0 with the reason in *error; every other call takes
// the handle first and a stale one reaches nothing.
//
// Decoders are reached through the factories handed in, never directly, so
// a test can give fakes. Main thread only; the streams handed out are read
// by the mixing thread under the wave output's lock.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "audio/pcm_stream.h"
#include "audio/wav_out.h"
#include "companion/companion.h"
#include "companion/sound_item.h"
#include "companion/video_media.h"
#include "platform/clock.h"
#include "platform/media_decoder.h"

namespace vesk::companion {

struct DecoderFactories {
  std::function<std::unique_ptr<platform::AudioDecoder>(platform::MediaBytes, std::string* error)>
      audio;
  std::function<std::unique_ptr<platform::VideoDecoder>(platform::MediaBytes, std::string* error)>
      video;
};

// A decoded stream of the Ogg stream family with its format record.
struct OggStreamEntry {
  std::unique_ptr<audio::PcmStream> stream;
  audio::PcmFormat format;
  bool format_ok = false;
  int32_t length_ms = 0;
};

class MediaLibrary {
 public:
  // out: the wave output every sound plays through; clock: what a silent
  // film's pictures follow. Both must outlive the library.
  MediaLibrary(audio::TWavOut& out, DecoderFactories decoders, platform::Clock& clock);

  // WMA family: the whole file in memory.
  int WmpmanAdd(platform::MediaBytes bytes, std::string* error);
  bool WmpmanDel(int handle) { return wmp_.Del(handle); }
  MediaItem* Wmp(int handle) const { return wmp_.Get(handle); }
  // After the sound device came back; our mixer has nothing to restore.
  void WmpmanRestore() {}

  // Ogg family played by the module. The decoder knows the format from the
  // bytes themselves, so the ".ogg" flag only says what the caller expects.
  int OggmanAdd(platform::MediaBytes bytes, bool is_ogg, std::string* error);
  bool OggmanDel(int handle) { return ogg_.Del(handle); }
  MediaItem* Ogg(int handle) const { return ogg_.Get(handle); }
  void OggmanRestore() {}

  // Ogg stream family: the decoded stream for the system's own wave output.
  int OggStrmanAdd(platform::MediaBytes bytes, bool is_ogg, std::string* error);
  bool OggStrmanDel(int handle) { return ogg_streams_.Del(handle); }
  // False for a stale handle or a stream without sound in it.
  bool OggStrGetFormat(int handle, audio::PcmFormat* format) const;
  // The stream itself (the wave output reads it); null for a stale handle.
  audio::PcmStream* OggStr(int handle) const;
  int32_t OggStrGetLen(int handle) const;

  // Video family: pictures, and the film's own sound when it has any.
  int VidmanAdd(const std::string& name, platform::MediaBytes bytes, bool overlay,
                std::string* error);
  bool VidmanDel(int handle) { return videos_.Del(handle); }
  VideoMedia* Video(int handle) const { return videos_.Get(handle); }
  void VidmanSuspend();
  void VidmanResume();
  bool video_suspended() const { return video_suspended_; }

  size_t Count(Family family) const;
  size_t StreamCount() const { return ogg_streams_.size(); }

 private:
  std::unique_ptr<SoundItem> MakeSound(platform::MediaBytes bytes, std::string* error);

  audio::TWavOut& out_;
  DecoderFactories decoders_;
  platform::Clock& clock_;
  HandleTable<MediaItem> wmp_, ogg_;
  HandleTable<OggStreamEntry> ogg_streams_;
  HandleTable<VideoMedia> videos_;
  bool video_suspended_ = false;
};

}  // namespace vesk::companion
