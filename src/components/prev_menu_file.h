#pragma once
// The preview-menu file: "VeskPrevMenu" and three version digits, then
// (from version 100) the menu's size and its items, each with its place,
// pictures, caption, sounds, clicked animation and cursor. Version 101
// added the unchecked picture. File names inside are relative to the
// folder of the menu file. All integers little-endian, strings as an int32
// length and the bytes (CP932).
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace vesk::components {

inline constexpr char kPrevMenuMagic[] = "VeskPrevMenu";
inline constexpr int32_t kPrevMenuVersion = 101;

struct PrevMenuItem {
  int32_t X = 0, Y = 0;
  std::string Source;
  uint8_t CaptureMask = 0;
  std::string Caption;
  std::string HoverSource, LeaveSource, PressedSource;
  std::string UncheckedSource;  // version 101 on
  std::string HoverSound, LeaveSound;
  std::string ClickedSource;
  int32_t ClickedX = 0, ClickedY = 0;
  std::string Cursor;
  bool operator==(const PrevMenuItem&) const = default;
};

struct PrevMenuFile {
  // False when the file does not start with the magic: the menu is empty.
  bool Recognised = true;
  int32_t Version = kPrevMenuVersion;
  int32_t Width = 0, Height = 0;
  std::vector<PrevMenuItem> Items;
};

// A damaged preview-menu file: cut short, a count its bytes cannot hold, a
// version that is not three digits. The text names what was wrong.
class EPrevMenuFile : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads a whole file; throws EPrevMenuFile when it is damaged. Bytes after
// the last item are ignored.
PrevMenuFile ReadPrevMenuFile(std::span<const uint8_t> bytes);
// Writes `menu` at its version (0..999): the size and the items only from
// version 100, the unchecked pictures only above it.
std::vector<uint8_t> WritePrevMenuFile(const PrevMenuFile& menu);

// The caption an item shows: its own, or "Button" and its number counted
// from 1 in two digits when it has none.
std::string ItemCaption(const PrevMenuItem& item, int32_t index);

}  // namespace vesk::components
