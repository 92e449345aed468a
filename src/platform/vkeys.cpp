#include "platform/vkeys.h"

#include <array>

namespace vesk::platform::vk {

int VkmToVirtualKey(int vkm_id) {
  static constexpr std::array<int, 20> kNamed = {
      kBack,  kTab,  kReturn, kShift, kControl, kMenu, kPause, kCapital, kEscape, kSpace,
      kPrior, kNext, kEnd,    kHome,  kLeft,    kUp,   kRight, kDown,    kInsert, kDelete};
  if (vkm_id < 0) return -1;
  if (vkm_id < 20) return kNamed[vkm_id];
  if (vkm_id < 30) return k0 + (vkm_id - 20);
  if (vkm_id < 56) return kA + (vkm_id - 30);
  if (vkm_id < 68) return kF1 + (vkm_id - 56);
  if (vkm_id == 68) return kVkmWheelDownIndex;
  if (vkm_id == 69) return kVkmWheelUpIndex;
  return -1;
}

const char* VirtualKeyName(int vk) {
  static constexpr const char* kDigits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
  static constexpr const char* kLetters[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I",
                                             "J", "K", "L", "M", "N", "O", "P", "Q", "R",
                                             "S", "T", "U", "V", "W", "X", "Y", "Z"};
  static constexpr const char* kFunctions[] = {
      "F1",  "F2",  "F3",  "F4",  "F5",  "F6",  "F7",  "F8",  "F9",  "F10", "F11", "F12",
      "F13", "F14", "F15", "F16", "F17", "F18", "F19", "F20", "F21", "F22", "F23", "F24"};
  if (vk >= k0 && vk <= k0 + 9) return kDigits[vk - k0];
  if (vk >= kA && vk <= kA + 25) return kLetters[vk - kA];
  if (vk >= kF1 && vk <= kF1 + 23) return kFunctions[vk - kF1];
  switch (vk) {
    case kBack:
      return "Back";
    case kTab:
      return "Tab";
    case kReturn:
      return "Return";
    case kShift:
      return "Shift";
    case kControl:
      return "Control";
    case kMenu:
      return "Alt";
    case kPause:
      return "Pause";
    case kCapital:
      return "CapsLock";
    case kKana:
      return "Kana";
    case kKanji:
      return "Kanji";
    case kEscape:
      return "Escape";
    case kConvert:
      return "Convert";
    case kNonConvert:
      return "NonConvert";
    case kSpace:
      return "Space";
    case kPrior:
      return "PageUp";
    case kNext:
      return "PageDown";
    case kEnd:
      return "End";
    case kHome:
      return "Home";
    case kLeft:
      return "Left";
    case kUp:
      return "Up";
    case kRight:
      return "Right";
    case kDown:
      return "Down";
    case kSnapshot:
      return "PrintScreen";
    case kInsert:
      return "Insert";
    case kDelete:
      return "Delete";
    default:
      return nullptr;
  }
}

}  // namespace vesk::platform::vk
