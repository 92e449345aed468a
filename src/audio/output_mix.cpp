#include "audio/output_mix.h"

#include <algorithm>
#include <cstring>

namespace vesk::audio {
namespace {

constexpr size_t kMaxPullSamples = size_t(platform::kMaxAudioBlockFrames) * 2;

void AddSaturating(int16_t* into, const int16_t* from, size_t samples) {
  for (size_t i = 0; i < samples; ++i)
    into[i] = int16_t(std::clamp(int32_t(into[i]) + int32_t(from[i]), -32768, 32767));
}

}  // namespace

void OutputMix::AddDirect(TWavOut& out) {
  Direct d;
  d.out = &out;
  d.block.assign(out.BlockSamples(), 0);
  d.read = d.block.size();  // empty: the first pull mixes a block
  direct_.push_back(std::move(d));
}

void OutputMix::AddQueued(TWavOut& out) {
  queued_.push_back(&out);
  scratch_.resize(kMaxPullSamples);
}

void OutputMix::AddDirectSamples(Direct& d, int16_t* out, size_t samples) {
  while (samples > 0) {
    if (d.read == d.block.size()) {
      d.sounding = d.out->MixBlock(d.block);
      d.read = 0;
    }
    const size_t n = std::min(samples, d.block.size() - d.read);
    if (d.sounding) AddSaturating(out, d.block.data() + d.read, n);
    d.read += n;
    out += n;
    samples -= n;
  }
}

void OutputMix::FillAudio(int16_t* interleaved, int frame_count) {
  const size_t samples = size_t(std::max(frame_count, 0)) * 2;
  std::memset(interleaved, 0, samples * sizeof(int16_t));
  for (Direct& d : direct_) AddDirectSamples(d, interleaved, samples);
  for (TWavOut* q : queued_) {
    for (size_t done = 0; done < samples;) {
      const size_t n = std::min(samples - done, scratch_.size());
      q->Refill();
      q->ReadOutput(std::span<int16_t>(scratch_.data(), n));
      AddSaturating(interleaved + done, scratch_.data(), n);
      done += n;
    }
  }
  if (synth_) synth_->RenderAdd(interleaved, frame_count);
}

}  // namespace vesk::audio
