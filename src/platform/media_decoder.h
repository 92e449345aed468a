#pragma once
// Decoding of compressed sound and video (Ogg Vorbis, WMA, WAV, WMV and the
// rest that FFmpeg reads), for the companion module. Decoders read a whole
// file held in memory: the media layer reads the game's file once (from
// disk or an archive) and a video shares that copy with its own sound.
//
// A decoder object is used by one thread at a time (the sound of an item is
// decoded on the mixing thread, pictures on the main thread), never by two.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vesk::platform {

using MediaBytes = std::shared_ptr<const std::vector<uint8_t>>;

// Decoded sound always comes out at this rate, as interleaved signed
// 16-bit stereo frames, whatever the file holds.
inline constexpr int kDecodedRateHz = 44100;

struct AudioStreamInfo {
  int source_channels = 0;
  int source_rate_hz = 0;
  // Frames at kDecodedRateHz: exact where the container says so, else
  // estimated from its duration. 0 when unknown.
  int64_t total_frames = 0;
  std::string codec;  // FFmpeg's name: "vorbis", "wmav2", "pcm_s16le", ...
};

class AudioDecoder {
 public:
  virtual ~AudioDecoder() = default;
  virtual const AudioStreamInfo& Info() const = 0;
  // Writes up to frame_count frames (left, right, ...) and returns how many;
  // 0 means the end (also after a damaged packet that cannot be read past).
  virtual size_t ReadFrames(int16_t* interleaved, size_t frame_count) = 0;
  // The next ReadFrames starts at this frame (clamped to 0..total), sample
  // accurate; false when the file cannot seek (the position is then the
  // start).
  virtual bool SeekFrame(int64_t frame) = 0;
  virtual int64_t PositionFrames() const = 0;
};

struct VideoStreamInfo {
  int width_px = 0;
  int height_px = 0;
  double frames_per_sec = 0;
  int64_t length_ms = 0;
  bool has_audio = false;
  std::string codec;  // "wmv2", "wmv3", "theora", "mpeg4", ...
};

class VideoDecoder {
 public:
  virtual ~VideoDecoder() = default;
  virtual const VideoStreamInfo& Info() const = 0;
  // Decodes on to the picture shown at time_ms: the last frame whose time is
  // at or before it. True when the picture changed. A time behind the
  // current picture seeks back first.
  virtual bool AdvanceTo(int64_t time_ms) = 0;
  // The current picture, width_px x height_px pixels of 4 bytes in memory
  // order B, G, R, 255; rows PictureStride() bytes apart. Null before the
  // first picture was decoded.
  virtual const uint8_t* Picture() const = 0;
  virtual int PictureStride() const = 0;
  // True once the last frame was decoded and shown.
  virtual bool AtEnd() const = 0;
};

// Null with *error ("no audio stream", "unsupported codec wmapro", "not a
// media file") when the bytes cannot be decoded.
std::unique_ptr<AudioDecoder> OpenAudioDecoder(MediaBytes bytes, std::string* error);
std::unique_ptr<VideoDecoder> OpenVideoDecoder(MediaBytes bytes, std::string* error);

// The decoders these games need (vorbis, wmav1, wmav2, wmv1, wmv2, wmv3)
// that the FFmpeg in use does not have; empty when all are there.
std::vector<std::string> MissingMediaCodecs();

}  // namespace vesk::platform
