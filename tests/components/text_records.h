#pragma once
// The control part of a stored scene object, byte by byte as each saved
// version lays it out, for the stored-form tests of the text kinds.
#include <string>

#include "support/record_builder.h"

namespace vesk::components::test {

inline void ControlPart(test_support::RecordBytes& r, const std::string& name, int32_t version) {
  r.Str(name).I32(0);                             // name, priority
  if (version > 103) r.I32(0);                    // priority bias
  if (version >= 120) r.Str("");                  // tag
  for (int32_t v : {3, 4, 0, 0, 0, 0}) r.I32(v);  // left, top, width, height, offsets
  r.U8(0);                                        // zoomed position
  if (version > 103) {
    for (int i = 0; i < 4; ++i) r.I32(0);  // clip
    r.U8(0);                               // animation pause
  }
  r.U8(1).I32(0x00FFFFFF);                  // visible, colour
  for (int32_t v : {0, 0, 1, 1}) r.I32(v);  // saved rectangle
  r.U8(0).Str("");                          // mouse mode, cursor
  for (int i = 0; i < (version > 101 ? 9 : 8); ++i) r.Str("");
  if (version > 117) {
    r.U8(0);                                // key handling
    for (int i = 0; i < 5; ++i) r.Str("");  // key and focus handlers
  }
}

}  // namespace vesk::components::test
