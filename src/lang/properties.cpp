#include "lang/properties.h"

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>

namespace vesk::lang {
namespace {

using enum PropType;
using enum PropLevel;
using enum CreationRead;
constexpr bool kReadOnly = true;
constexpr bool kWritable = false;

struct PropertyRow {
  int id;
  PropertyInfo info;
};

// One row per property, in id order (checked below). Object defaults that
// differ from 0 (zoom 256, colours -1, alpha and brightness 255, ...) are
// what an object answers when its kind does not use the property; creation
// defaults are what a creation command applies when it leaves one out.
#define P(id, type, level, def, ro, read, creation_def) \
  PropertyRow {                                         \
    id, {                                               \
      type, level, def, ro, read, creation_def          \
    }                                                   \
  }
constexpr PropertyRow kRows[] = {
    P(PR_NAME, kStr, kObject, 0, kWritable, kReadStr, 0),
    P(PR_PARENT, kStr, kControl, 0, kWritable, kReadStr, 0),
    P(PR_SOURCE, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_LEFT, kInt, kControl, 0, kWritable, kReadInt, 0),
    P(PR_TOP, kInt, kControl, 0, kWritable, kReadInt, 0),
    P(PR_WIDTH, kInt, kControl, 0, kWritable, kReadInt, 0),
    P(PR_HEIGHT, kInt, kControl, 0, kWritable, kReadInt, 0),
    P(PR_ZOOMX, kInt, kKind, 256, kWritable, kReadInt, 256),
    P(PR_COLOR, kInt, kControl, 0xFFFFFF, kWritable, kReadInt, -1),
    P(PR_BORDERWIDTH, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_BORDERCOLOR, kInt, kKind, -1, kWritable, kReadInt, -1),
    P(PR_ALPHA, kInt, kKind, 255, kWritable, kReadInt, 255),
    P(PR_PRIORITY, kInt, kObject, 0, kWritable, kReadInt, 0),
    P(PR_OFFSETX, kInt, kControl, 0, kWritable, kReadInt, 0),
    P(PR_OFFSETY, kInt, kControl, 0, kWritable, kReadInt, 0),
    P(PR_FONTNAME, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_FONTHEIGHT, kInt, kKind, 0, kWritable, kReadInt, 16),
    P(PR_FONTSTYLE, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_LINESPACE, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_FONTCOLOR, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_FONTLINKCOLOR, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_FONTBORDERCOLOR, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_FONTHOVERCOLOR, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_FONTHOVERSTYLE, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_HOVERCOLOR, kInt, kKind, -1, kWritable, kReadInt, -1),
    P(PR_ANTIALIAS, kFlag, kKind, 0, kWritable, kReadFlag, 0),
    P(PR_DELAY, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_PAUSED, kFlag, kKind, 0, kWritable, kReadFlag, 0),
    P(PR_VOLUME, kInt, kKind, 0, kWritable, kReadInt, 1000),
    P(PR_REPEAT, kFlag, kKind, 0, kWritable, kReadFlag, 0),
    P(PR_BALANCE, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_ANGLE, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_ONPLAYING, kFlag, kKind, 0, kWritable, kReadStr, 0),
    P(PR_ONNOTIFY, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_ONMOUSEMOVE, kStr, kControl, 0, kWritable, kReadStr, 0),
    P(PR_ONMOUSEOUT, kStr, kControl, 0, kWritable, kReadStr, 0),
    P(PR_ONLBTNDOWN, kStr, kControl, 0, kWritable, kReadStr, 0),
    P(PR_ONLBTNUP, kStr, kControl, 0, kWritable, kReadStr, 0),
    P(PR_ONRBTNDOWN, kStr, kControl, 0, kWritable, kReadStr, 0),
    P(PR_ONRBTNUP, kStr, kControl, 0, kWritable, kReadStr, 0),
    P(PR_ONWHEELDOWN, kStr, kControl, 0, kWritable, kReadStr, 0),
    P(PR_ONWHEELUP, kStr, kControl, 0, kWritable, kReadStr, 0),
    P(PR_BRIGHTNESS, kInt, kKind, 255, kWritable, kReadInt, 0),
    P(PR_ONPLAYEND, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_INDEX, kInt, kKind, -1, kWritable, kReadInt, 0),
    P(PR_COUNT, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_ONLINK, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_VISIBLE, kFlag, kControl, 1, kWritable, kReadFlag, 1),
    P(PR_COLCOUNT, kInt, kKind, 0, kWritable, kReadInt, 1),
    P(PR_ROWCOUNT, kInt, kKind, 0, kWritable, kReadInt, 1),
    P(PR_TEXT, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_MARGINX, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_MARGINY, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_HALIGN, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_BORDERSOURCETL, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_BORDERSOURCETC, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_BORDERSOURCETR, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_BORDERSOURCECL, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_BORDERSOURCECC, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_BORDERSOURCECR, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_BORDERSOURCEBL, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_BORDERSOURCEBC, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_BORDERSOURCEBR, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_BORDERHALIGNT, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_BORDERHALIGNC, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_BORDERHALIGNB, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_BORDERVALIGNL, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_BORDERVALIGNC, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_BORDERVALIGNR, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_SCROLLSOURCE, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_CHECKSOURCE, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_AUTOSCRAP, kFlag, kKind, 0, kWritable, kReadFlag, 0),
    P(PR_ONSELECT, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_RCLICKSCRAP, kFlag, kKind, 0, kWritable, kReadFlag, 0),
    P(PR_ONOPENING, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_ONOPENED, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_ONCLOSING, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_ONCLOSED, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_CARETX, kInt, kKind, 0, kReadOnly, kNever, 0),
    P(PR_CARETY, kInt, kKind, 0, kReadOnly, kNever, 0),
    P(PR_IGNOREMOUSE, kInt, kControl, 0, kWritable, kReadInt, 0),
    P(PR_TEXTPAUSED, kFlag, kKind, 0, kWritable, kReadFlag, 0),
    P(PR_TEXTDELAY, kInt, kKind, 256, kWritable, kReadInt, 256),
    P(PR_HOVERSOURCE, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_PRESSEDSOURCE, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_GROUPINDEX, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_ALLOWALLUP, kFlag, kKind, 0, kWritable, kReadFlag, 0),
    P(PR_SELECTED, kFlag, kKind, 0, kWritable, kReadFlag, 0),
    P(PR_CAPTUREMASK, kFlag, kKind, 0, kWritable, kReadFlag, 0),
    P(PR_POWER, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_ORIGWIDTH, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_ORIGHEIGHT, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_APPEARX, kInt, kKind, 0, kWritable, kNever, 0),
    P(PR_APPEARY, kInt, kKind, 0, kWritable, kNever, 0),
    P(PR_PARTMOTION, kInt, kKind, 1, kWritable, kReadInt, 0),
    P(PR_PARAM1, kReal, kKind, 0, kWritable, kReadReal, 0),
    P(PR_PARAM2, kReal, kKind, 0, kWritable, kReadReal, 0),
    P(PR_TOPINDEX, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_READONLY, kFlag, kKind, 0, kWritable, kReadFlag, 0),
    P(PR_CURSOR, kStr, kControl, 0, kWritable, kReadStr, 0),
    P(PR_POSZOOMED, kFlag, kControl, 0, kWritable, kReadFlag, 0),
    P(PR_ONPLAYSTART, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_PARAM3, kReal, kKind, 0, kWritable, kReadReal, 0),
    P(PR_ONMOUSEIN, kStr, kControl, 0, kWritable, kReadStr, 0),
    P(PR_ONMAPIN, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_ONMAPOUT, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_MAPSOURCE, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_AMP, kInt, kKind, 0, kWritable, kReadInt, 1),
    P(PR_WAVELEN, kInt, kKind, 0, kWritable, kReadInt, 100),
    P(PR_SCROLLX, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_SCROLLY, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_FLIPH, kFlag, kKind, 0, kWritable, kReadFlag, 0),
    P(PR_FLIPV, kFlag, kKind, 0, kWritable, kReadFlag, 0),
    P(PR_ONIDLE, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_DISTANCEX, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_DISTANCEY, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_CLIPLEFT, kInt, kControl, 0, kWritable, kReadInt, 0),
    P(PR_CLIPTOP, kInt, kControl, 0, kWritable, kReadInt, 0),
    P(PR_CLIPWIDTH, kInt, kControl, 0, kWritable, kReadInt, 0),
    P(PR_CLIPHEIGHT, kInt, kControl, 0, kWritable, kReadInt, 0),
    P(PR_DURATION, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_THUMBSOURCE, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_BUTTONSOURCE, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_MIN, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_MAX, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_VALUE, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_ORIENTATION, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_SMALLCHANGE, kInt, kKind, 1, kWritable, kReadInt, 1),
    P(PR_LARGECHANGE, kInt, kKind, 1, kWritable, kReadInt, 1),
    P(PR_MAPTEXT, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_GLYPHWIDTH, kInt, kKind, 0, kWritable, kReadInt, 1),
    P(PR_GLYPHHEIGHT, kInt, kKind, 0, kWritable, kReadInt, 1),
    P(PR_ZOOMY, kInt, kKind, 256, kWritable, kReadInt, 256),
    P(PR_CLICKEDSOURCE, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_ANIPAUSED, kFlag, kControl, 0, kWritable, kReadFlag, 0),
    P(PR_ONHOLD, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_ONRELEASE, kStr, kKind, 0, kWritable, kReadStr, 0),
    P(PR_REVERSE, kFlag, kKind, 0, kWritable, kReadFlag, 0),
    P(PR_PLAYING, kFlag, kControl, 0, kReadOnly, kNever, 0),
    P(PR_REWINDONLOAD, kFlag, kKind, 1, kWritable, kReadFlag, 0),
    P(PR_COMPOTYPE, kInt, kObject, 0, kReadOnly, kNever, 0),
    P(PR_FONTSHADOWCOLOR, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_FONTBORDER, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_FONTSHADOW, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_ONKEYDOWN, kStr, kControl, 0, kWritable, kReadStr, 0),
    P(PR_ONKEYUP, kStr, kControl, 0, kWritable, kReadStr, 0),
    P(PR_ONKEYREPEAT, kStr, kControl, 0, kWritable, kReadStr, 0),
    P(PR_HANDLEKEY, kInt, kControl, 0, kWritable, kReadFlag, 0),
    P(PR_ONFOCUSIN, kStr, kControl, 0, kWritable, kReadStr, 0),
    P(PR_ONFOCUSOUT, kStr, kControl, 0, kWritable, kReadStr, 0),
    P(PR_OVERLAY, kFlag, kKind, 1, kWritable, kReadFlag, 1),
    P(PR_TAG, kStr, kObject, 0, kWritable, kReadStr, 0),
    P(PR_CAPTURELINK, kFlag, kKind, 0, kWritable, kReadFlag, 0),
    P(PR_FONTHOVERBORDER, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_FONTHOVERBORDERCOLOR, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_FONTHOVERSHADOW, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_FONTHOVERSHADOWCOLOR, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_BARSIZE, kInt, kKind, 0, kWritable, kReadInt, 0),
    P(PR_MUTEONLOAD, kFlag, kKind, 0, kWritable, kReadFlag, 0),
};
#undef P

consteval std::array<PropertyInfo, kPropertyCount> Catalogue() {
  static_assert(std::size(kRows) == kPropertyCount);
  std::array<PropertyInfo, kPropertyCount> out{};
  for (std::size_t i = 0; i < std::size(kRows); ++i) {
    if (kRows[i].id != static_cast<int>(i)) throw "property row out of id order";
    out[i] = kRows[i].info;
  }
  return out;
}
constexpr std::array<PropertyInfo, kPropertyCount> kCatalogue = Catalogue();

}  // namespace

const PropertyInfo& Property(int id) {
  if (id < 0 || id >= kPropertyCount) throw std::out_of_range("property id " + std::to_string(id));
  return kCatalogue[static_cast<std::size_t>(id)];
}

int PropertyTypeCode(int id) {
  switch (Property(id).type) {
    case kStr:
      return PT_STR;
    case kInt:
      return PT_INT;
    case kFlag:
      return PT_BOOL;
    case kReal:
      return PT_FLOAT;
  }
  return PT_INT;
}

}  // namespace vesk::lang
