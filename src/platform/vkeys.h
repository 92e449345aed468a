#pragma once
// Windows virtual-key numbers: the key codes scripts and the scene work with.
// The backends translate their native key events into these.
#include <cstdint>

namespace vesk::platform::vk {

inline constexpr int kBack = 0x08, kTab = 0x09, kClear = 0x0C, kReturn = 0x0D;
inline constexpr int kShift = 0x10, kControl = 0x11, kMenu = 0x12;  // kMenu is Alt
inline constexpr int kPause = 0x13, kCapital = 0x14;
inline constexpr int kKana = 0x15, kKanji = 0x19;
inline constexpr int kEscape = 0x1B, kConvert = 0x1C, kNonConvert = 0x1D;
inline constexpr int kSpace = 0x20, kPrior = 0x21, kNext = 0x22, kEnd = 0x23, kHome = 0x24;
inline constexpr int kLeft = 0x25, kUp = 0x26, kRight = 0x27, kDown = 0x28;
inline constexpr int kSnapshot = 0x2C, kInsert = 0x2D, kDelete = 0x2E, kHelp = 0x2F;
inline constexpr int k0 = 0x30;  // '0'..'9' are 0x30..0x39
inline constexpr int kA = 0x41;  // 'A'..'Z' are 0x41..0x5A
inline constexpr int kLWin = 0x5B, kRWin = 0x5C, kApps = 0x5D;
inline constexpr int kNumpad0 = 0x60;  // numpad digits 0x60..0x69
inline constexpr int kMultiply = 0x6A, kAdd = 0x6B, kSeparator = 0x6C, kSubtract = 0x6D;
inline constexpr int kDecimal = 0x6E, kDivide = 0x6F;
inline constexpr int kF1 = 0x70;  // F1..F24 are 0x70..0x87
inline constexpr int kNumLock = 0x90, kScroll = 0x91;
inline constexpr int kLShift = 0xA0, kRShift = 0xA1, kLControl = 0xA2, kRControl = 0xA3;
inline constexpr int kLMenu = 0xA4, kRMenu = 0xA5;
// OEM keys as a Japanese (106/109) keyboard reports them.
inline constexpr int kOem1 = 0xBA;       // ':' and '*'
inline constexpr int kOemPlus = 0xBB;    // ';' and '+'
inline constexpr int kOemComma = 0xBC;   // ',' and '<'
inline constexpr int kOemMinus = 0xBD;   // '-' and '='
inline constexpr int kOemPeriod = 0xBE;  // '.' and '>'
inline constexpr int kOem2 = 0xBF;       // '/' and '?'
inline constexpr int kOem3 = 0xC0;       // '@' and '`'
inline constexpr int kOem4 = 0xDB;       // '[' and '{'
inline constexpr int kOem5 = 0xDC;       // yen sign and '|'
inline constexpr int kOem6 = 0xDD;       // ']' and '}'
inline constexpr int kOem7 = 0xDE;       // '^' and '~'
inline constexpr int kOem102 = 0xE2;     // '\' and '_' (the "ro" key)
inline constexpr int kOemAttn = 0xF0;    // eisu (caps lock on a Japanese keyboard)
inline constexpr int kOemCopy = 0xF2;    // katakana/hiragana
inline constexpr int kOemAuto = 0xF3;    // hankaku/zenkaku
inline constexpr int kOemEnlw = 0xF4;    // hankaku/zenkaku (other state)

// Key codes of the Vkm enumeration scripts test, in Vkm id order (ids 0..67);
// the last two Vkm ids (68 VkmWheelDown, 69 VkmWheelUp) are the wheel pulses
// that live in elements 256 and 257 of @KeyPush.
inline constexpr int kVkmWheelDownIndex = 256;
inline constexpr int kVkmWheelUpIndex = 257;
int VkmToVirtualKey(int vkm_id);  // -1 for ids outside 0..69

// A readable name for a virtual-key code ("A", "F5", "Return"...), or nullptr.
const char* VirtualKeyName(int vk);

}  // namespace vesk::platform::vk
