#include "app/media_provider.h"

#include "lang/vocabulary.h"

namespace vesk::app {

using namespace vesk::lang;

void MediaSystemProvider::RegisterWith(expr::SystemRouter& router) {
  router.AddVariables({SV_SoundON, SV_MidiPort, SV_MidiPorts}, this);
}

bool MediaSystemProvider::Get(int id, int32_t index, expr::SysValue* out) {
  switch (id) {
    case SV_SoundON:
      out->b = media_.sound_on();
      return true;
    case SV_MidiPort:
      out->s = media_.midi().SelectedDeviceName();
      return true;
    case SV_MidiPorts:
      out->s = index >= 0 && index < media_.midi().DeviceCount() ? media_.midi().DeviceName(index)
                                                                 : std::string();
      return true;
    default:
      return false;
  }
}

void MediaSystemProvider::Set(int id, const expr::SysValue& v) {
  if (id == SV_SoundON)
    media_.SetSoundOn(v.b);
  else if (id == SV_MidiPort)
    media_.midi().SelectDeviceByName(v.s);
}

int32_t MediaSystemProvider::ElementCount(int id) {
  return id == SV_MidiPorts ? media_.midi().DeviceCount() : 0;
}

}  // namespace vesk::app
