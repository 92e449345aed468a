#include "platform/keymap.h"

#include "platform/vkeys.h"

namespace vesk::platform {
namespace {

// HID usage ids of the keyboard page that have no simple numeric run.
enum Usage : int {
  kUsageA = 4,
  kUsageZ = 29,
  kUsage1 = 30,
  kUsage0 = 39,
  kUsageReturn = 40,
  kUsageEscape = 41,
  kUsageBackspace = 42,
  kUsageTab = 43,
  kUsageSpace = 44,
  kUsageMinus = 45,
  kUsageEquals = 46,
  kUsageLeftBracket = 47,
  kUsageRightBracket = 48,
  kUsageBackslash = 49,
  kUsageNonUsHash = 50,
  kUsageSemicolon = 51,
  kUsageApostrophe = 52,
  kUsageGrave = 53,
  kUsageComma = 54,
  kUsagePeriod = 55,
  kUsageSlash = 56,
  kUsageCapsLock = 57,
  kUsageF1 = 58,
  kUsageF12 = 69,
  kUsagePrintScreen = 70,
  kUsageScrollLock = 71,
  kUsagePause = 72,
  kUsageInsert = 73,
  kUsageHome = 74,
  kUsagePageUp = 75,
  kUsageDelete = 76,
  kUsageEnd = 77,
  kUsagePageDown = 78,
  kUsageRight = 79,
  kUsageLeft = 80,
  kUsageDown = 81,
  kUsageUp = 82,
  kUsageNumLock = 83,
  kUsageKpDivide = 84,
  kUsageKpMultiply = 85,
  kUsageKpMinus = 86,
  kUsageKpPlus = 87,
  kUsageKpEnter = 88,
  kUsageKp1 = 89,
  kUsageKp9 = 97,
  kUsageKp0 = 98,
  kUsageKpPeriod = 99,
  kUsageNonUsBackslash = 100,
  kUsageApplication = 101,
  kUsageF13 = 104,
  kUsageF24 = 115,
  kUsageHelp = 117,
  kUsageKpComma = 133,
  kUsageInternational1 = 135,  // ro: '\' '_'
  kUsageInternational2 = 136,  // katakana/hiragana
  kUsageInternational3 = 137,  // yen
  kUsageInternational4 = 138,  // henkan (convert)
  kUsageInternational5 = 139,  // muhenkan (no convert)
  kUsageLang3 = 146,
  kUsageLang4 = 147,
  kUsageLang5 = 148,
  kUsageLCtrl = 224,
  kUsageLShift = 225,
  kUsageLAlt = 226,
  kUsageLGui = 227,
  kUsageRCtrl = 228,
  kUsageRShift = 229,
  kUsageRAlt = 230,
  kUsageRGui = 231,
};

}  // namespace

int HidUsageToVirtualKey(int u) {
  if (u >= kUsageA && u <= kUsageZ) return vk::kA + (u - kUsageA);
  if (u >= kUsage1 && u < kUsage0) return vk::k0 + 1 + (u - kUsage1);
  if (u == kUsage0) return vk::k0;
  if (u >= kUsageF1 && u <= kUsageF12) return vk::kF1 + (u - kUsageF1);
  if (u >= kUsageF13 && u <= kUsageF24) return vk::kF1 + 12 + (u - kUsageF13);
  if (u >= kUsageKp1 && u <= kUsageKp9) return vk::kNumpad0 + 1 + (u - kUsageKp1);
  switch (u) {
    case kUsageReturn:
    case kUsageKpEnter:
      return vk::kReturn;
    case kUsageEscape:
      return vk::kEscape;
    case kUsageBackspace:
      return vk::kBack;
    case kUsageTab:
      return vk::kTab;
    case kUsageSpace:
      return vk::kSpace;
    // The printable keys by position on a Japanese keyboard.
    case kUsageMinus:
      return vk::kOemMinus;  // '-' '='
    case kUsageEquals:
      return vk::kOem7;  // '^' '~'
    case kUsageInternational3:
      return vk::kOem5;  // yen '|'
    case kUsageLeftBracket:
      return vk::kOem3;  // '@' '`'
    case kUsageRightBracket:
      return vk::kOem4;  // '[' '{'
    case kUsageBackslash:
    case kUsageNonUsHash:
      return vk::kOem6;  // ']' '}'
    case kUsageSemicolon:
      return vk::kOemPlus;  // ';' '+'
    case kUsageApostrophe:
      return vk::kOem1;  // ':' '*'
    case kUsageComma:
      return vk::kOemComma;
    case kUsagePeriod:
      return vk::kOemPeriod;
    case kUsageSlash:
      return vk::kOem2;
    case kUsageInternational1:
    case kUsageNonUsBackslash:
      return vk::kOem102;  // '\' '_'
    case kUsageGrave:
    case kUsageLang5:
      return vk::kOemAuto;  // hankaku/zenkaku
    case kUsageInternational2:
    case kUsageLang4:
      return vk::kOemCopy;  // hiragana
    case kUsageLang3:
      return vk::kKana;
    case kUsageInternational4:
      return vk::kConvert;
    case kUsageInternational5:
      return vk::kNonConvert;
    case kUsageCapsLock:
      return vk::kCapital;
    case kUsagePrintScreen:
      return vk::kSnapshot;
    case kUsageScrollLock:
      return vk::kScroll;
    case kUsagePause:
      return vk::kPause;
    case kUsageInsert:
      return vk::kInsert;
    case kUsageHome:
      return vk::kHome;
    case kUsagePageUp:
      return vk::kPrior;
    case kUsageDelete:
      return vk::kDelete;
    case kUsageEnd:
      return vk::kEnd;
    case kUsagePageDown:
      return vk::kNext;
    case kUsageRight:
      return vk::kRight;
    case kUsageLeft:
      return vk::kLeft;
    case kUsageDown:
      return vk::kDown;
    case kUsageUp:
      return vk::kUp;
    case kUsageNumLock:
      return vk::kNumLock;
    case kUsageKpDivide:
      return vk::kDivide;
    case kUsageKpMultiply:
      return vk::kMultiply;
    case kUsageKpMinus:
      return vk::kSubtract;
    case kUsageKpPlus:
      return vk::kAdd;
    case kUsageKp0:
      return vk::kNumpad0;
    case kUsageKpPeriod:
      return vk::kDecimal;
    case kUsageKpComma:
      return vk::kSeparator;
    case kUsageApplication:
      return vk::kApps;
    case kUsageHelp:
      return vk::kHelp;
    // Windows reports the generic modifier codes in key messages.
    case kUsageLCtrl:
    case kUsageRCtrl:
      return vk::kControl;
    case kUsageLShift:
    case kUsageRShift:
      return vk::kShift;
    case kUsageLAlt:
    case kUsageRAlt:
      return vk::kMenu;
    case kUsageLGui:
      return vk::kLWin;
    case kUsageRGui:
      return vk::kRWin;
    default:
      return 0;
  }
}

}  // namespace vesk::platform
