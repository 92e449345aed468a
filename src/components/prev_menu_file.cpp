#include "components/prev_menu_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "core/byte_reader.h"
#include "core/byte_writer.h"
#include "core/record_io.h"

namespace vesk::components {

namespace {

constexpr size_t kMagicBytes = sizeof kPrevMenuMagic - 1;
constexpr int32_t kFirstSizedVersion = 100;
constexpr int32_t kUncheckedVersion = 101;

// The fewest bytes an item takes: six int32, one byte and nine (ten) empty
// strings. A count that the rest of the file cannot hold is refused before
// anything is allocated.
size_t MinItemBytes(int32_t version) {
  return 6 * 4 + 1 + (version >= kUncheckedVersion ? 10 : 9) * 4;
}

void TransferItem(RecordIO& io, PrevMenuItem& item) {
  io.I32(item.X, "preview-menu item x");
  io.I32(item.Y, "preview-menu item y");
  io.Str(item.Source, "preview-menu item source");
  io.U8(item.CaptureMask, "preview-menu item capture mask");
  io.Str(item.Caption, "preview-menu item caption");
  io.Str(item.HoverSource, "preview-menu item hover source");
  io.Str(item.LeaveSource, "preview-menu item leave source");
  io.Str(item.PressedSource, "preview-menu item pressed source");
  if (io.Since(kUncheckedVersion))
    io.Str(item.UncheckedSource, "preview-menu item unchecked source");
  io.Str(item.HoverSound, "preview-menu item hover sound");
  io.Str(item.LeaveSound, "preview-menu item leave sound");
  io.Str(item.ClickedSource, "preview-menu item clicked animation");
  io.I32(item.ClickedX, "preview-menu item clicked x");
  io.I32(item.ClickedY, "preview-menu item clicked y");
  io.Str(item.Cursor, "preview-menu item cursor");
}

void TransferBody(RecordIO& io, PrevMenuFile& menu) {
  io.I32(menu.Width, "preview-menu width");
  io.I32(menu.Height, "preview-menu height");
  io.List(menu.Items, MinItemBytes(io.version()), "preview-menu item count",
          [&](PrevMenuItem& item) { TransferItem(io, item); });
}

}  // namespace

PrevMenuFile ReadPrevMenuFile(std::span<const uint8_t> bytes) {
  PrevMenuFile menu;
  if (bytes.size() < kMagicBytes || std::memcmp(bytes.data(), kPrevMenuMagic, kMagicBytes) != 0) {
    menu.Recognised = false;
    return menu;
  }
  if (bytes.size() < kMagicBytes + 3) throw EPrevMenuFile("preview-menu version cut short");
  menu.Version = 0;
  for (size_t i = kMagicBytes; i < kMagicBytes + 3; ++i) {
    if (bytes[i] < '0' || bytes[i] > '9')
      throw EPrevMenuFile("preview-menu version is not three digits");
    menu.Version = menu.Version * 10 + (bytes[i] - '0');
  }
  if (menu.Version < kFirstSizedVersion) return menu;
  // Read over the whole file, so that errors name offsets in it.
  ByteReader in(bytes.data(), bytes.size());
  in.Bytes(kMagicBytes + 3, "preview-menu header");
  RecordIO io(in, menu.Version);
  try {
    TransferBody(io, menu);
  } catch (const ETruncated& e) {
    throw EPrevMenuFile(e.what());
  }
  return menu;
}

std::vector<uint8_t> WritePrevMenuFile(const PrevMenuFile& menu) {
  ByteWriter out;
  out.Bytes(reinterpret_cast<const uint8_t*>(kPrevMenuMagic), kMagicBytes);
  const int32_t version = std::clamp(menu.Version, 0, 999);
  const uint8_t digits[3] = {static_cast<uint8_t>('0' + version / 100),
                             static_cast<uint8_t>('0' + version / 10 % 10),
                             static_cast<uint8_t>('0' + version % 10)};
  out.Bytes(digits, 3);
  if (version >= kFirstSizedVersion) {
    RecordIO io(out, version);
    TransferBody(io, const_cast<PrevMenuFile&>(menu));
  }
  return std::move(out.bytes());
}

std::string ItemCaption(const PrevMenuItem& item, int32_t index) {
  if (!item.Caption.empty()) return item.Caption;
  char text[24];
  std::snprintf(text, sizeof text, "Button%.2d", static_cast<int>(index) + 1);
  return text;
}

}  // namespace vesk::components
