#pragma once
// Mouse cursor files as games ship them: Windows cursors and icons (.cur,
// .ico), animated cursors (.ani) and plain pictures (.bmp, .png), decoded
// into the pixels the window shows. The bytes come from the game's files.
// The format is told by the content, not by the name, because games are
// careless with extensions.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/cursor_image.h"

namespace vesk::graphics {

// Decodes a cursor, icon, animated cursor, BMP or PNG file. Icons and plain
// pictures point at their top-left pixel. nullopt with *error set when the
// bytes are none of these or are damaged.
std::optional<platform::CursorImage> DecodeCursorFile(std::span<const uint8_t> bytes,
                                                      std::string* error);

}  // namespace vesk::graphics
