#pragma once
// The media's system variables: @SoundON (the sound switch: off disables
// every sound manager, on enables them again), @MidiPort (the MIDI port in
// use; writing a name selects that port) and @MidiPorts (the port names,
// the mapper first).
#include "expr/system_router.h"
#include "media/media_system.h"

namespace vesk::app {

class MediaSystemProvider final : public expr::SystemProvider {
 public:
  explicit MediaSystemProvider(media::MediaSystem& media) : media_(media) {}
  void RegisterWith(expr::SystemRouter& router);

  bool Get(int id, int32_t index, expr::SysValue* out) override;
  void Set(int id, const expr::SysValue& v) override;
  int32_t ElementCount(int id) override;

 private:
  media::MediaSystem& media_;
};

}  // namespace vesk::app
