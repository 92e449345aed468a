#include "companion/media_library.h"

#include "audio/decoded_pcm_stream.h"

namespace vesk::companion {

namespace {

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

std::unique_ptr<platform::AudioDecoder> OpenAudio(const DecoderFactories& d,
                                                  platform::MediaBytes bytes, std::string* error) {
  if (!bytes || bytes->empty()) {
    SetError(error, "empty file");
    return nullptr;
  }
  if (!d.audio) {
    SetError(error, "no sound decoder");
    return nullptr;
  }
  std::string why;
  auto decoder = d.audio(std::move(bytes), &why);
  if (!decoder) SetError(error, why.empty() ? "cannot be decoded" : why);
  return decoder;
}

}  // namespace

MediaLibrary::MediaLibrary(audio::TWavOut& out, DecoderFactories decoders, platform::Clock& clock)
    : out_(out), decoders_(std::move(decoders)), clock_(clock) {}

std::unique_ptr<SoundItem> MediaLibrary::MakeSound(platform::MediaBytes bytes, std::string* error) {
  auto decoder = OpenAudio(decoders_, std::move(bytes), error);
  if (!decoder) return nullptr;
  out_.Open();  // the first sound of the run prepares the output
  return std::make_unique<SoundItem>(out_,
                                     std::make_unique<audio::DecodedPcmStream>(std::move(decoder)));
}

int MediaLibrary::WmpmanAdd(platform::MediaBytes bytes, std::string* error) {
  return wmp_.Add(MakeSound(std::move(bytes), error));
}

int MediaLibrary::OggmanAdd(platform::MediaBytes bytes, bool /*is_ogg*/, std::string* error) {
  return ogg_.Add(MakeSound(std::move(bytes), error));
}

int MediaLibrary::OggStrmanAdd(platform::MediaBytes bytes, bool /*is_ogg*/, std::string* error) {
  auto decoder = OpenAudio(decoders_, std::move(bytes), error);
  if (!decoder) return 0;
  auto entry = std::make_unique<OggStreamEntry>();
  entry->stream = std::make_unique<audio::DecodedPcmStream>(std::move(decoder));
  entry->format = audio::MakePcmFormat(2, audio::kOutputRateHz, 16);
  entry->format_ok = entry->stream->SizeBytes() > 0;
  entry->length_ms = StereoBytesToMs(entry->stream->SizeBytes());
  return ogg_streams_.Add(std::move(entry));
}

bool MediaLibrary::OggStrGetFormat(int handle, audio::PcmFormat* format) const {
  const OggStreamEntry* e = ogg_streams_.Get(handle);
  if (!e || !e->format_ok) return false;
  if (format) *format = e->format;
  return true;
}

audio::PcmStream* MediaLibrary::OggStr(int handle) const {
  const OggStreamEntry* e = ogg_streams_.Get(handle);
  return e ? e->stream.get() : nullptr;
}

int32_t MediaLibrary::OggStrGetLen(int handle) const {
  const OggStreamEntry* e = ogg_streams_.Get(handle);
  return e ? e->length_ms : 0;
}

int MediaLibrary::VidmanAdd(const std::string& name, platform::MediaBytes bytes, bool overlay,
                            std::string* error) {
  if (!bytes || bytes->empty()) {
    SetError(error, "empty file");
    return 0;
  }
  if (!decoders_.video) {
    SetError(error, "no video decoder");
    return 0;
  }
  std::string why;
  auto pictures = decoders_.video(bytes, &why);
  if (!pictures) {
    SetError(error, why.empty() ? name + " cannot be decoded" : why);
    return 0;
  }
  // A film whose sound cannot be decoded still shows its pictures.
  std::unique_ptr<SoundItem> sound;
  if (pictures->Info().has_audio) sound = MakeSound(bytes, nullptr);
  return videos_.Add(
      std::make_unique<VideoMedia>(std::move(pictures), std::move(sound), clock_, overlay));
}

void MediaLibrary::VidmanSuspend() {
  if (video_suspended_) return;
  video_suspended_ = true;
  videos_.ForEach([](VideoMedia& v) { v.Suspend(); });
}

void MediaLibrary::VidmanResume() {
  if (!video_suspended_) return;
  video_suspended_ = false;
  videos_.ForEach([](VideoMedia& v) { v.Resume(); });
}

size_t MediaLibrary::Count(Family family) const {
  switch (family) {
    case Family::kWmp:
      return wmp_.size();
    case Family::kOgg:
      return ogg_.size();
    case Family::kVideo:
      return videos_.size();
  }
  return 0;
}

}  // namespace vesk::companion
