#include "scene/property_catalogue.h"

#include <array>
#include <cstddef>

namespace vesk::scene {
namespace {

using enum PropType;
using enum PropLevel;

// In id order. Integer defaults that differ from 0 (zoom 256, colours -1,
// alpha and brightness 255, ...) are what an object answers when its kind
// does not use the property.
constexpr std::array<PropertyInfo, kPropertyCount> kCatalogue = {{
    {kStr, kObject, 0, false},  // 0 PR_NAME
    {kStr, kControl, 0, false},  // 1 PR_PARENT
    {kStr, kKind, 0, false},  // 2 PR_SOURCE
    {kInt, kControl, 0, false},  // 3 PR_LEFT
    {kInt, kControl, 0, false},  // 4 PR_TOP
    {kInt, kControl, 0, false},  // 5 PR_WIDTH
    {kInt, kControl, 0, false},  // 6 PR_HEIGHT
    {kInt, kKind, 256, false},  // 7 PR_ZOOMX
    {kInt, kControl, 0xFFFFFF, false},  // 8 PR_COLOR
    {kInt, kKind, 0, false},  // 9 PR_BORDERWIDTH
    {kInt, kKind, -1, false},  // 10 PR_BORDERCOLOR
    {kInt, kKind, 255, false},  // 11 PR_ALPHA
    {kInt, kObject, 0, false},  // 12 PR_PRIORITY
    {kInt, kControl, 0, false},  // 13 PR_OFFSETX
    {kInt, kControl, 0, false},  // 14 PR_OFFSETY
    {kStr, kKind, 0, false},  // 15 PR_FONTNAME
    {kInt, kKind, 0, false},  // 16 PR_FONTHEIGHT
    {kInt, kKind, 0, false},  // 17 PR_FONTSTYLE
    {kInt, kKind, 0, false},  // 18 PR_LINESPACE
    {kInt, kKind, 0, false},  // 19 PR_FONTCOLOR
    {kInt, kKind, 0, false},  // 20 PR_FONTLINKCOLOR
    {kInt, kKind, 0, false},  // 21 PR_FONTBORDERCOLOR
    {kInt, kKind, 0, false},  // 22 PR_FONTHOVERCOLOR
    {kInt, kKind, 0, false},  // 23 PR_FONTHOVERSTYLE
    {kInt, kKind, -1, false},  // 24 PR_HOVERCOLOR
    {kFlag, kKind, 0, false},  // 25 PR_ANTIALIAS
    {kInt, kKind, 0, false},  // 26 PR_DELAY
    {kFlag, kKind, 0, false},  // 27 PR_PAUSED
    {kInt, kKind, 0, false},  // 28 PR_VOLUME
    {kFlag, kKind, 0, false},  // 29 PR_REPEAT
    {kInt, kKind, 0, false},  // 30 PR_BALANCE
    {kInt, kKind, 0, false},  // 31 PR_ANGLE
    {kFlag, kKind, 0, false},  // 32 PR_ONPLAYING
    {kStr, kKind, 0, false},  // 33 PR_ONNOTIFY
    {kStr, kControl, 0, false},  // 34 PR_ONMOUSEMOVE
    {kStr, kControl, 0, false},  // 35 PR_ONMOUSEOUT
    {kStr, kControl, 0, false},  // 36 PR_ONLBTNDOWN
    {kStr, kControl, 0, false},  // 37 PR_ONLBTNUP
    {kStr, kControl, 0, false},  // 38 PR_ONRBTNDOWN
    {kStr, kControl, 0, false},  // 39 PR_ONRBTNUP
    {kStr, kControl, 0, false},  // 40 PR_ONWHEELDOWN
    {kStr, kControl, 0, false},  // 41 PR_ONWHEELUP
    {kInt, kKind, 255, false},  // 42 PR_BRIGHTNESS
    {kStr, kKind, 0, false},  // 43 PR_ONPLAYEND
    {kInt, kKind, -1, false},  // 44 PR_INDEX
    {kInt, kKind, 0, false},  // 45 PR_COUNT
    {kStr, kKind, 0, false},  // 46 PR_ONLINK
    {kFlag, kControl, 1, false},  // 47 PR_VISIBLE
    {kInt, kKind, 0, false},  // 48 PR_COLCOUNT
    {kInt, kKind, 0, false},  // 49 PR_ROWCOUNT
    {kStr, kKind, 0, false},  // 50 PR_TEXT
    {kInt, kKind, 0, false},  // 51 PR_MARGINX
    {kInt, kKind, 0, false},  // 52 PR_MARGINY
    {kInt, kKind, 0, false},  // 53 PR_HALIGN
    {kStr, kKind, 0, false},  // 54 PR_BORDERSOURCETL
    {kStr, kKind, 0, false},  // 55 PR_BORDERSOURCETC
    {kStr, kKind, 0, false},  // 56 PR_BORDERSOURCETR
    {kStr, kKind, 0, false},  // 57 PR_BORDERSOURCECL
    {kStr, kKind, 0, false},  // 58 PR_BORDERSOURCECC
    {kStr, kKind, 0, false},  // 59 PR_BORDERSOURCECR
    {kStr, kKind, 0, false},  // 60 PR_BORDERSOURCEBL
    {kStr, kKind, 0, false},  // 61 PR_BORDERSOURCEBC
    {kStr, kKind, 0, false},  // 62 PR_BORDERSOURCEBR
    {kInt, kKind, 0, false},  // 63 PR_BORDERHALIGNT
    {kInt, kKind, 0, false},  // 64 PR_BORDERHALIGNC
    {kInt, kKind, 0, false},  // 65 PR_BORDERHALIGNB
    {kInt, kKind, 0, false},  // 66 PR_BORDERVALIGNL
    {kInt, kKind, 0, false},  // 67 PR_BORDERVALIGNC
    {kInt, kKind, 0, false},  // 68 PR_BORDERVALIGNR
    {kStr, kKind, 0, false},  // 69 PR_SCROLLSOURCE
    {kStr, kKind, 0, false},  // 70 PR_CHECKSOURCE
    {kFlag, kKind, 0, false},  // 71 PR_AUTOSCRAP
    {kStr, kKind, 0, false},  // 72 PR_ONSELECT
    {kFlag, kKind, 0, false},  // 73 PR_RCLICKSCRAP
    {kStr, kKind, 0, false},  // 74 PR_ONOPENING
    {kStr, kKind, 0, false},  // 75 PR_ONOPENED
    {kStr, kKind, 0, false},  // 76 PR_ONCLOSING
    {kStr, kKind, 0, false},  // 77 PR_ONCLOSED
    {kInt, kKind, 0, true},  // 78 PR_CARETX
    {kInt, kKind, 0, true},  // 79 PR_CARETY
    {kInt, kControl, 0, false},  // 80 PR_IGNOREMOUSE
    {kFlag, kKind, 0, false},  // 81 PR_TEXTPAUSED
    {kInt, kKind, 256, false},  // 82 PR_TEXTDELAY
    {kStr, kKind, 0, false},  // 83 PR_HOVERSOURCE
    {kStr, kKind, 0, false},  // 84 PR_PRESSEDSOURCE
    {kInt, kKind, 0, false},  // 85 PR_GROUPINDEX
    {kFlag, kKind, 0, false},  // 86 PR_ALLOWALLUP
    {kFlag, kKind, 0, false},  // 87 PR_SELECTED
    {kFlag, kKind, 0, false},  // 88 PR_CAPTUREMASK
    {kInt, kKind, 0, false},  // 89 PR_POWER
    {kInt, kKind, 0, false},  // 90 PR_ORIGWIDTH
    {kInt, kKind, 0, false},  // 91 PR_ORIGHEIGHT
    {kInt, kKind, 0, false},  // 92 PR_APPEARX
    {kInt, kKind, 0, false},  // 93 PR_APPEARY
    {kInt, kKind, 1, false},  // 94 PR_PARTMOTION
    {kReal, kKind, 0, false},  // 95 PR_PARAM1
    {kReal, kKind, 0, false},  // 96 PR_PARAM2
    {kInt, kKind, 0, false},  // 97 PR_TOPINDEX
    {kFlag, kKind, 0, false},  // 98 PR_READONLY
    {kStr, kControl, 0, false},  // 99 PR_CURSOR
    {kFlag, kControl, 0, false},  // 100 PR_POSZOOMED
    {kStr, kKind, 0, false},  // 101 PR_ONPLAYSTART
    {kReal, kKind, 0, false},  // 102 PR_PARAM3
    {kStr, kControl, 0, false},  // 103 PR_ONMOUSEIN
    {kStr, kKind, 0, false},  // 104 PR_ONMAPIN
    {kStr, kKind, 0, false},  // 105 PR_ONMAPOUT
    {kStr, kKind, 0, false},  // 106 PR_MAPSOURCE
    {kInt, kKind, 0, false},  // 107 PR_AMP
    {kInt, kKind, 0, false},  // 108 PR_WAVELEN
    {kInt, kKind, 0, false},  // 109 PR_SCROLLX
    {kInt, kKind, 0, false},  // 110 PR_SCROLLY
    {kFlag, kKind, 0, false},  // 111 PR_FLIPH
    {kFlag, kKind, 0, false},  // 112 PR_FLIPV
    {kStr, kKind, 0, false},  // 113 PR_ONIDLE
    {kInt, kKind, 0, false},  // 114 PR_DISTANCEX
    {kInt, kKind, 0, false},  // 115 PR_DISTANCEY
    {kInt, kControl, 0, false},  // 116 PR_CLIPLEFT
    {kInt, kControl, 0, false},  // 117 PR_CLIPTOP
    {kInt, kControl, 0, false},  // 118 PR_CLIPWIDTH
    {kInt, kControl, 0, false},  // 119 PR_CLIPHEIGHT
    {kInt, kKind, 0, false},  // 120 PR_DURATION
    {kStr, kKind, 0, false},  // 121 PR_THUMBSOURCE
    {kStr, kKind, 0, false},  // 122 PR_BUTTONSOURCE
    {kInt, kKind, 0, false},  // 123 PR_MIN
    {kInt, kKind, 0, false},  // 124 PR_MAX
    {kInt, kKind, 0, false},  // 125 PR_VALUE
    {kInt, kKind, 0, false},  // 126 PR_ORIENTATION
    {kInt, kKind, 1, false},  // 127 PR_SMALLCHANGE
    {kInt, kKind, 1, false},  // 128 PR_LARGECHANGE
    {kStr, kKind, 0, false},  // 129 PR_MAPTEXT
    {kInt, kKind, 0, false},  // 130 PR_GLYPHWIDTH
    {kInt, kKind, 0, false},  // 131 PR_GLYPHHEIGHT
    {kInt, kKind, 256, false},  // 132 PR_ZOOMY
    {kStr, kKind, 0, false},  // 133 PR_CLICKEDSOURCE
    {kFlag, kControl, 0, false},  // 134 PR_ANIPAUSED
    {kStr, kKind, 0, false},  // 135 PR_ONHOLD
    {kStr, kKind, 0, false},  // 136 PR_ONRELEASE
    {kFlag, kKind, 0, false},  // 137 PR_REVERSE
    {kFlag, kControl, 0, true},  // 138 PR_PLAYING
    {kFlag, kKind, 1, false},  // 139 PR_REWINDONLOAD
    {kInt, kObject, 0, true},  // 140 PR_COMPOTYPE
    {kInt, kKind, 0, false},  // 141 PR_FONTSHADOWCOLOR
    {kInt, kKind, 0, false},  // 142 PR_FONTBORDER
    {kInt, kKind, 0, false},  // 143 PR_FONTSHADOW
    {kStr, kControl, 0, false},  // 144 PR_ONKEYDOWN
    {kStr, kControl, 0, false},  // 145 PR_ONKEYUP
    {kStr, kControl, 0, false},  // 146 PR_ONKEYREPEAT
    {kInt, kControl, 0, false},  // 147 PR_HANDLEKEY
    {kStr, kControl, 0, false},  // 148 PR_ONFOCUSIN
    {kStr, kControl, 0, false},  // 149 PR_ONFOCUSOUT
    {kFlag, kKind, 1, false},  // 150 PR_OVERLAY
    {kStr, kObject, 0, false},  // 151 PR_TAG
    {kFlag, kKind, 0, false},  // 152 PR_CAPTURELINK
    {kInt, kKind, 0, false},  // 153 PR_FONTHOVERBORDER
    {kInt, kKind, 0, false},  // 154 PR_FONTHOVERBORDERCOLOR
    {kInt, kKind, 0, false},  // 155 PR_FONTHOVERSHADOW
    {kInt, kKind, 0, false},  // 156 PR_FONTHOVERSHADOWCOLOR
    {kInt, kKind, 0, false},  // 157 PR_BARSIZE
    {kFlag, kKind, 0, false},  // 158 PR_MUTEONLOAD
}};

}  // namespace

const PropertyInfo& Property(int id) { return kCatalogue.at(static_cast<size_t>(id)); }

int PropertyTypeCode(int id) {
  switch (Property(id).type) {
    case kStr: return 4;
    case kInt: return 1;
    case kFlag: return 3;
    case kReal: return 2;
  }
  return 1;
}

}  // namespace vesk::scene
