#include "app/player_media.h"

#include <cstdio>

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/headless/headless_audio_device.h"
#include "platform/settings_store.h"

namespace vesk::app {

PlayerMedia::PlayerMedia(platform::Platform& platform, storage::TVrFileManager& files,
                         platform::SettingsStore& settings, PlayerMediaOptions options)
    : files_(files) {
  device_ = platform.OpenAudioDevice();
  if (!device_) device_ = std::make_unique<platform::SilentAudioDevice>();
  if (platform.headless()) {
    headless_ = static_cast<platform::HeadlessAudioDevice*>(device_.get());
    headless_->SetCapture(options.capture);
  }
  platform::Clock& clock = platform.clock();

  std::string soundfont = options.soundfont;
  if (soundfont.empty())
    soundfont = settings.Read(kPlayerSettingsKey, kSoundFontValue).value_or(std::string());
  // Games of this kind come with WMA and WMV files: a build of FFmpeg
  // without those decoders plays them silently, so say so once.
  if (const std::vector<std::string> missing = platform::MissingMediaCodecs(); !missing.empty()) {
    std::string names;
    for (const std::string& m : missing) names += (names.empty() ? "" : ", ") + m;
    std::fprintf(stderr, "vesk-player: this FFmpeg cannot decode %s; such files stay silent\n",
                 names.c_str());
  }
  ports_ = std::make_unique<media::MidiPorts>(clock, soundfont);
  if (!ports_->synth() && !ports_->synth_error().empty())
    std::fprintf(stderr, "vesk-player: MIDI music is silent: %s\n", ports_->synth_error().c_str());

  media::MediaServices services{clock, *ports_};
  services.read_file = [this](const std::string& name) { return ReadGameFile(name); };
  services.open_audio = platform::OpenAudioDecoder;
  services.open_video = platform::OpenVideoDecoder;
  services.timer_mode = headless_ ? media::TMMTimer::Mode::kManual : media::TMMTimer::Mode::kThread;
  services.delay_ms = uint32_t(std::max(options.sound.delay_ms, 0));
  services.direct_sound = options.sound.direct_sound;
  services.device_block_frames = uint32_t(device_->block_frames());
  const std::string cd_key = "Software\\" + options.registry_key;
  services.setting = [&settings, cd_key](const std::string& value) {
    return settings.Read(cd_key, value);
  };
  services.cd_roots = [] { return platform::OpticalDiscMountPoints(); };
  if (options.report)
    services.report = [report = options.report](const std::string& cp932) {
      report(platform::Cp932ToUtf8(cp932));
    };
  system_ = std::make_unique<media::MediaSystem>(std::move(services));

  mix_ = std::make_unique<audio::OutputMix>(
      headless_ ? audio::OutputMix::Mode::kInline : audio::OutputMix::Mode::kThread,
      device_->block_frames());
  mix_->AddDirect(system_->direct_out());
  mix_->AddQueued(system_->wav_out());
  mix_->SetSynth(ports_->synth());
  mix_->Start();
  device_->SetSource(mix_.get());
}

PlayerMedia::~PlayerMedia() {
  device_->SetSource(nullptr);
  mix_.reset();     // the mixing thread stops
  system_.reset();  // the sequencer closes its port through the list
  ports_.reset();
  device_.reset();
}

void PlayerMedia::AdvanceHeadless(uint32_t elapsed_ms) {
  system_->TickSequencer();
  if (headless_) headless_->AdvanceMs(elapsed_ms);
}

platform::MediaBytes PlayerMedia::ReadGameFile(const std::string& name) {
  // Names that start with a path delimiter or a drive are files on disk.
  const bool on_disk =
      !name.empty() && (name[0] == '\\' || name[0] == '/' || (name.size() > 1 && name[1] == ':'));
  try {
    if (on_disk) {
      std::string path = platform::Cp932ToUtf8(name);
      for (char& c : path)
        if (c == '\\') c = '/';
      auto bytes = platform::ReadWholeFile(path);
      if (!bytes) return nullptr;
      return std::make_shared<const std::vector<uint8_t>>(std::move(*bytes));
    }
    // A missing file throws, as a damaged archive does: both are no file.
    return std::make_shared<const std::vector<uint8_t>>(files_.ReadFileBytes(name));
  } catch (const std::exception&) {
    return nullptr;
  }
}

}  // namespace vesk::app
