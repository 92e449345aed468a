#pragma once
// The vocabulary of the script language. Compiled projects and pages store
// every command, operator, component kind, property, transition, system
// variable, system function and key as a small integer id; here each kind of
// id has its constant table, whose position is the id (from 0), giving the
// symbolic name and, for most, the Japanese caption the authoring tool shows.
//
// The enums below carry the names the tables give. Where a table name is not
// a usable identifier, a prefix is added: commands are CMD_ + name ("If"
// would clash), system variables SV_ + name without the '@' ("@1Hour" is
// SV_1Hour), system functions FN_ + name ("Copy", "Int", "Min"...).
//
// An id outside its table is invalid: the accessors by id answer nullptr or
// an empty view for it and never read past a table.
#include <cstddef>
#include <span>
#include <string_view>

namespace vesk::lang {

struct VocabEntry {
  const char* name;     // nullptr in the caption-only tables
  const char* caption;  // UTF-8; nullptr where the entry has none
};

// Command ids: each selects the command class the page loader creates.
enum CommandId : int {
  CMD_If = 0,
  CMD_Elseif = 1,
  CMD_Else = 2,
  CMD_Label = 3,
  CMD_Jump = 4,
  CMD_Call = 5,
  CMD_Exit = 6,
  CMD_Wait = 7,
  CMD_BoxNew = 8,
  CMD_ImgNew = 9,
  CMD_MesNew = 10,
  CMD_Timer = 11,
  CMD_Movie = 12,
  CMD_Flip = 13,
  CMD_Calc = 14,
  CMD_VarNew = 15,
  CMD_VarDel = 16,
  CMD_GetProp = 17,
  CMD_SetProp = 18,
  CMD_ObjDel = 19,
  CMD_TextIns = 20,
  CMD_MovieStop = 21,
  CMD_ClrHist = 22,
  CMD_Cinema = 23,
  CMD_Caption = 24,
  CMD_Menu = 25,
  CMD_MenuClose = 26,
  CMD_Comment = 27,
  CMD_TextClr = 28,
  CMD_CallHist = 29,
  CMD_Button = 30,
  CMD_While = 31,
  CMD_WhileInit = 32,
  CMD_WhileLoop = 33,
  CMD_Break = 34,
  CMD_Continue = 35,
  CMD_ParticleNew = 36,
  CMD_FireNew = 37,
  CMD_GameSave = 38,
  CMD_GameLoad = 39,
  CMD_PCReset = 40,
  CMD_Reset = 41,
  CMD_Sound = 42,
  CMD_EditNew = 43,
  CMD_MemoNew = 44,
  CMD_Terminate = 45,
  CMD_DoEvent = 46,
  CMD_ClrRead = 47,
  CMD_MapImgNew = 48,
  CMD_WaveNew = 49,
  CMD_TileNew = 50,
  CMD_SliderNew = 51,
  CMD_ScrollbarNew = 52,
  CMD_GaugeNew = 53,
  CMD_CGCaption = 54,
  CMD_MediaPlay = 55,
  CMD_PrevMenuNew = 56,
  CMD_PropMotion = 57,
  CMD_FormatHist = 58,
  CMD_SaveCabinet = 59,
  CMD_LoadCabinet = 60,
};

// Operator codes of stored expressions.
enum Operator : int {
  ocNone = 0,
  ocTo = 1,
  ocPlus = 2,
  ocMinus = 3,
  ocMul = 4,
  ocDiv = 5,
  ocMod = 6,
  ocOr = 7,
  ocAnd = 8,
  ocXor = 9,
  ocDimTo = 10,
  ocFunc = 11,
  ocEqual = 12,
  ocBig = 13,
  ocSmall = 14,
  ocEBig = 15,
  ocESmall = 16,
  ocShiftL = 17,
  ocShiftR = 18,
  ocComboStr = 19,
  ocNEqual = 20,
};

// Component kinds: the value of PR_COMPOTYPE and the kind stored with each
// component.
enum ComponentKind : int {
  LT_NONE = 0,
  LT_AUDIO = 1,
  LT_BOX = 2,
  LT_BUTTON = 3,
  LT_CINEMA = 4,
  LT_EDIT = 5,
  LT_FIRE = 6,
  LT_HTTP = 7,
  LT_IMAGES = 8,
  LT_LABEL = 9,
  LT_MAP = 10,
  LT_MEMO = 11,
  LT_MENU = 12,
  LT_MES = 13,
  LT_PARTICLE = 14,
  LT_TIMER = 15,
  LT_VIDEO = 16,
  LT_SOUND = 17,
  LT_MAPIMG = 18,
  LT_WAVE = 19,
  LT_TILE = 20,
  LT_SLIDER = 21,
  LT_SCROLLBAR = 22,
  LT_GAUGE = 23,
  LT_CGLABEL = 24,
  LT_PREVMENU = 25,
  LT_PROPMOTION = 26,
  LT_CABINET = 27,
};

// Property ids, answered by every scene object through GetProp/SetProp.
enum PropertyId : int {
  PR_NAME = 0,
  PR_PARENT = 1,
  PR_SOURCE = 2,
  PR_LEFT = 3,
  PR_TOP = 4,
  PR_WIDTH = 5,
  PR_HEIGHT = 6,
  PR_ZOOMX = 7,
  PR_COLOR = 8,
  PR_BORDERWIDTH = 9,
  PR_BORDERCOLOR = 10,
  PR_ALPHA = 11,
  PR_PRIORITY = 12,
  PR_OFFSETX = 13,
  PR_OFFSETY = 14,
  PR_FONTNAME = 15,
  PR_FONTHEIGHT = 16,
  PR_FONTSTYLE = 17,
  PR_LINESPACE = 18,
  PR_FONTCOLOR = 19,
  PR_FONTLINKCOLOR = 20,
  PR_FONTBORDERCOLOR = 21,
  PR_FONTHOVERCOLOR = 22,
  PR_FONTHOVERSTYLE = 23,
  PR_HOVERCOLOR = 24,
  PR_ANTIALIAS = 25,
  PR_DELAY = 26,
  PR_PAUSED = 27,
  PR_VOLUME = 28,
  PR_REPEAT = 29,
  PR_BALANCE = 30,
  PR_ANGLE = 31,
  PR_ONPLAYING = 32,
  PR_ONNOTIFY = 33,
  PR_ONMOUSEMOVE = 34,
  PR_ONMOUSEOUT = 35,
  PR_ONLBTNDOWN = 36,
  PR_ONLBTNUP = 37,
  PR_ONRBTNDOWN = 38,
  PR_ONRBTNUP = 39,
  PR_ONWHEELDOWN = 40,
  PR_ONWHEELUP = 41,
  PR_BRIGHTNESS = 42,
  PR_ONPLAYEND = 43,
  PR_INDEX = 44,
  PR_COUNT = 45,
  PR_ONLINK = 46,
  PR_VISIBLE = 47,
  PR_COLCOUNT = 48,
  PR_ROWCOUNT = 49,
  PR_TEXT = 50,
  PR_MARGINX = 51,
  PR_MARGINY = 52,
  PR_HALIGN = 53,
  PR_BORDERSOURCETL = 54,
  PR_BORDERSOURCETC = 55,
  PR_BORDERSOURCETR = 56,
  PR_BORDERSOURCECL = 57,
  PR_BORDERSOURCECC = 58,
  PR_BORDERSOURCECR = 59,
  PR_BORDERSOURCEBL = 60,
  PR_BORDERSOURCEBC = 61,
  PR_BORDERSOURCEBR = 62,
  PR_BORDERHALIGNT = 63,
  PR_BORDERHALIGNC = 64,
  PR_BORDERHALIGNB = 65,
  PR_BORDERVALIGNL = 66,
  PR_BORDERVALIGNC = 67,
  PR_BORDERVALIGNR = 68,
  PR_SCROLLSOURCE = 69,
  PR_CHECKSOURCE = 70,
  PR_AUTOSCRAP = 71,
  PR_ONSELECT = 72,
  PR_RCLICKSCRAP = 73,
  PR_ONOPENING = 74,
  PR_ONOPENED = 75,
  PR_ONCLOSING = 76,
  PR_ONCLOSED = 77,
  PR_CARETX = 78,
  PR_CARETY = 79,
  PR_IGNOREMOUSE = 80,
  PR_TEXTPAUSED = 81,
  PR_TEXTDELAY = 82,
  PR_HOVERSOURCE = 83,
  PR_PRESSEDSOURCE = 84,
  PR_GROUPINDEX = 85,
  PR_ALLOWALLUP = 86,
  PR_SELECTED = 87,
  PR_CAPTUREMASK = 88,
  PR_POWER = 89,
  PR_ORIGWIDTH = 90,
  PR_ORIGHEIGHT = 91,
  PR_APPEARX = 92,
  PR_APPEARY = 93,
  PR_PARTMOTION = 94,
  PR_PARAM1 = 95,
  PR_PARAM2 = 96,
  PR_TOPINDEX = 97,
  PR_READONLY = 98,
  PR_CURSOR = 99,
  PR_POSZOOMED = 100,
  PR_ONPLAYSTART = 101,
  PR_PARAM3 = 102,
  PR_ONMOUSEIN = 103,
  PR_ONMAPIN = 104,
  PR_ONMAPOUT = 105,
  PR_MAPSOURCE = 106,
  PR_AMP = 107,
  PR_WAVELEN = 108,
  PR_SCROLLX = 109,
  PR_SCROLLY = 110,
  PR_FLIPH = 111,
  PR_FLIPV = 112,
  PR_ONIDLE = 113,
  PR_DISTANCEX = 114,
  PR_DISTANCEY = 115,
  PR_CLIPLEFT = 116,
  PR_CLIPTOP = 117,
  PR_CLIPWIDTH = 118,
  PR_CLIPHEIGHT = 119,
  PR_DURATION = 120,
  PR_THUMBSOURCE = 121,
  PR_BUTTONSOURCE = 122,
  PR_MIN = 123,
  PR_MAX = 124,
  PR_VALUE = 125,
  PR_ORIENTATION = 126,
  PR_SMALLCHANGE = 127,
  PR_LARGECHANGE = 128,
  PR_MAPTEXT = 129,
  PR_GLYPHWIDTH = 130,
  PR_GLYPHHEIGHT = 131,
  PR_ZOOMY = 132,
  PR_CLICKEDSOURCE = 133,
  PR_ANIPAUSED = 134,
  PR_ONHOLD = 135,
  PR_ONRELEASE = 136,
  PR_REVERSE = 137,
  PR_PLAYING = 138,
  PR_REWINDONLOAD = 139,
  PR_COMPOTYPE = 140,
  PR_FONTSHADOWCOLOR = 141,
  PR_FONTBORDER = 142,
  PR_FONTSHADOW = 143,
  PR_ONKEYDOWN = 144,
  PR_ONKEYUP = 145,
  PR_ONKEYREPEAT = 146,
  PR_HANDLEKEY = 147,
  PR_ONFOCUSIN = 148,
  PR_ONFOCUSOUT = 149,
  PR_OVERLAY = 150,
  PR_TAG = 151,
  PR_CAPTURELINK = 152,
  PR_FONTHOVERBORDER = 153,
  PR_FONTHOVERBORDERCOLOR = 154,
  PR_FONTHOVERSHADOW = 155,
  PR_FONTHOVERSHADOWCOLOR = 156,
  PR_BARSIZE = 157,
  PR_MUTEONLOAD = 158,
};

// Screen transitions between the two base layers (WP_NONE switches at once).
enum TransitionId : int {
  WP_NONE = 0,
  WP_FADE = 1,
  WP_BLINDH = 2,
  WP_BLINDV = 3,
  WP_CURTAINH = 4,
  WP_CURTAINV = 5,
  WP_SCROLLH = 6,
  WP_SCROLLV = 7,
  WP_GRID = 8,
  WP_GRIDH = 9,
  WP_GRIDV = 10,
  WP_DITHER = 11,
  WP_WHITE = 12,
  WP_BLACK = 13,
  WP_FLASH = 14,
  WP_MOSAIC = 15,
  WP_SUDAREH = 16,
  WP_SUDAREV = 17,
  WP_SPOT = 18,
  WP_MASKFADE = 19,
  WP_MASKWHITE = 20,
  WP_MASKBLACK = 21,
  WP_SMALL = 22,
  WP_BIG = 23,
  WP_RIPPLE = 24,
  WP_BLURWHITE = 25,
  WP_BLURBLACK = 26,
  WP_TWISTH = 27,
  WP_TWISTV = 28,
  WP_CRACK = 29,
  WP_ZOOMIN = 30,
  WP_CLOCKHAND = 31,
};

// System variables ("@Result"...).
enum SystemVariableId : int {
  SV_Result = 0,
  SV_LClick = 1,
  SV_RClick = 2,
  SV_LPush = 3,
  SV_RPush = 4,
  SV_MouseX = 5,
  SV_MouseY = 6,
  SV_TextDelay = 7,
  SV_HistoryCount = 8,
  SV_ParamCount = 9,
  SV_ParamStr = 10,
  SV_Sender = 11,
  SV_ScrWidth = 12,
  SV_ScrHeight = 13,
  SV_TickCount = 14,
  SV_PCTickCount = 15,
  SV_UpdateCount = 16,
  SV_Year = 17,
  SV_Month = 18,
  SV_Day = 19,
  SV_Week = 20,
  SV_Hour = 21,
  SV_Min = 22,
  SV_Sec = 23,
  SV_Fonts = 24,
  SV_FixedFonts = 25,
  SV_FullScr = 26,
  SV_Cursor = 27,
  SV_SelStr = 28,
  SV_SelIndex = 29,
  SV_Pi = 30,
  SV_CGDither = 31,
  SV_1Hour = 32,
  SV_1Min = 33,
  SV_1Sec = 34,
  SV_KeyPush = 35,
  SV_KeyClick = 36,
  SV_DisplayModeCount = 37,
  SV_DisplayModeIndex = 38,
  SV_Title = 39,
  SV_SoundON = 40,
  SV_ActiveCompo = 41,
  SV_KeyRepeat = 42,
  SV_HistoryMaxCount = 43,
  SV_Temp = 44,
  SV_MidiPort = 45,
  SV_MidiPorts = 46,
  SV_WheelDown = 47,
  SV_WheelUp = 48,
};

// Built-in functions of expressions.
enum SystemFunctionId : int {
  FN_IntToStr = 0,
  FN_IntToHex = 1,
  FN_GetProp = 2,
  FN_SetProp = 3,
  FN_GetArraySize = 4,
  FN_Length = 5,
  FN_JLength = 6,
  FN_Copy = 7,
  FN_JCopy = 8,
  FN_Delete = 9,
  FN_JDelete = 10,
  FN_Insert = 11,
  FN_JInsert = 12,
  FN_CompareStr = 13,
  FN_CompareText = 14,
  FN_Pos = 15,
  FN_JPos = 16,
  FN_Trim = 17,
  FN_JTrim = 18,
  FN_Exists = 19,
  FN_Not = 20,
  FN_SetArray = 21,
  FN_FillMem = 22,
  FN_CopyMem = 23,
  FN_GetCheck = 24,
  FN_SetCheck = 25,
  FN_Random = 26,
  FN_GetSaveCaption = 27,
  FN_ArrayToString = 28,
  FN_StringToArray = 29,
  FN_IndexOfStr = 30,
  FN_SortStr = 31,
  FN_ListCompo = 32,
  FN_ToClientX = 33,
  FN_ToClientY = 34,
  FN_ToScreenX = 35,
  FN_ToScreenY = 36,
  FN_Int = 37,
  FN_Float = 38,
  FN_Sin = 39,
  FN_Cos = 40,
  FN_Tan = 41,
  FN_ArcSin = 42,
  FN_ArcCos = 43,
  FN_ArcTan = 44,
  FN_ArcTan2 = 45,
  FN_Hypot = 46,
  FN_IndexOfMenu = 47,
  FN_Abs = 48,
  FN_Fabs = 49,
  FN_VarExists = 50,
  FN_EncodeDate = 51,
  FN_EncodeTime = 52,
  FN_DecodeDate = 53,
  FN_DecodeTime = 54,
  FN_GetYear = 55,
  FN_GetMonth = 56,
  FN_GetDay = 57,
  FN_GetHour = 58,
  FN_GetMin = 59,
  FN_GetSec = 60,
  FN_GetWeek = 61,
  FN_GetWeekStr = 62,
  FN_GetWeekJStr = 63,
  FN_FixStr = 64,
  FN_GetDisplayMode = 65,
  FN_AddArray = 66,
  FN_InsertArray = 67,
  FN_DeleteArray = 68,
  FN_InPrimary = 69,
  FN_CopyArray = 70,
  FN_FileExists = 71,
  FN_LoadTextFile = 72,
  FN_LowerCase = 73,
  FN_UpperCase = 74,
  FN_ExtractFilePath = 75,
  FN_ExtractFileName = 76,
  FN_ExtractFileExt = 77,
  FN_IsPathDelimiter = 78,
  FN_AddBackSlash = 79,
  FN_ChangeFileExt = 80,
  FN_IsDelimiter = 81,
  FN_StringOfChar = 82,
  FN_StringReplace = 83,
  FN_AssignTemp = 84,
  FN_HanToZen = 85,
  FN_ZenToHan = 86,
  FN_DBCreateTable = 87,
  FN_DBSetActive = 88,
  FN_DBAddField = 89,
  FN_DBSetRecNo = 90,
  FN_DBInsert = 91,
  FN_DBDelete = 92,
  FN_DBGetInt = 93,
  FN_DBSetInt = 94,
  FN_DBGetFloat = 95,
  FN_DBSetFloat = 96,
  FN_DBGetBool = 97,
  FN_DBSetBool = 98,
  FN_DBGetStr = 99,
  FN_DBSetStr = 100,
  FN_DBRecordCount = 101,
  FN_DBFindFirst = 102,
  FN_DBFindLast = 103,
  FN_DBFindNext = 104,
  FN_DBFindPrior = 105,
  FN_DBLocate = 106,
  FN_DBLoadTsvFile = 107,
  FN_DBDirectGetInt = 108,
  FN_DBDirectSetInt = 109,
  FN_DBDirectGetFloat = 110,
  FN_DBDirectSetFloat = 111,
  FN_DBDirectGetBool = 112,
  FN_DBDirectSetBool = 113,
  FN_DBDirectGetStr = 114,
  FN_DBDirectSetStr = 115,
  FN_DBCopyTable = 116,
  FN_DBDeleteTable = 117,
  FN_DBInsertTable = 118,
  FN_DBCopy = 119,
  FN_DBClearTable = 120,
  FN_DBSort = 121,
  FN_DBGetActive = 122,
  FN_DBGetRecNo = 123,
  FN_DBClearRecord = 124,
  FN_SetWallPaper = 125,
  FN_Min = 126,
  FN_Max = 127,
  FN_Fmin = 128,
  FN_Fmax = 129,
  FN_GetVarType = 130,
  FN_GetEnabled = 131,
  FN_SetEnabled = 132,
  FN_AddDelimiter = 133,
  FN_ListSaveCaption = 134,
  FN_OpenUrl = 135,
};

// Keys that scripts test; the last two are the wheel pulses.
enum KeyId : int {
  VkmBACK = 0,
  VkmTAB = 1,
  VkmRETURN = 2,
  VkmSHIFT = 3,
  VkmCONTROL = 4,
  VkmALT = 5,
  VkmPAUSE = 6,
  VkmCAPITAL = 7,
  VkmESCAPE = 8,
  VkmSPACE = 9,
  VkmPAGEUP = 10,
  VkmPAGEDOWN = 11,
  VkmEND = 12,
  VkmHOME = 13,
  VkmLEFT = 14,
  VkmUP = 15,
  VkmRIGHT = 16,
  VkmDOWN = 17,
  VkmINSERT = 18,
  VkmDELETE = 19,
  Vkm0 = 20,
  Vkm1 = 21,
  Vkm2 = 22,
  Vkm3 = 23,
  Vkm4 = 24,
  Vkm5 = 25,
  Vkm6 = 26,
  Vkm7 = 27,
  Vkm8 = 28,
  Vkm9 = 29,
  VkmA = 30,
  VkmB = 31,
  VkmC = 32,
  VkmD = 33,
  VkmE = 34,
  VkmF = 35,
  VkmG = 36,
  VkmH = 37,
  VkmI = 38,
  VkmJ = 39,
  VkmK = 40,
  VkmL = 41,
  VkmM = 42,
  VkmN = 43,
  VkmO = 44,
  VkmP = 45,
  VkmQ = 46,
  VkmR = 47,
  VkmS = 48,
  VkmT = 49,
  VkmU = 50,
  VkmV = 51,
  VkmW = 52,
  VkmX = 53,
  VkmY = 54,
  VkmZ = 55,
  VkmF1 = 56,
  VkmF2 = 57,
  VkmF3 = 58,
  VkmF4 = 59,
  VkmF5 = 60,
  VkmF6 = 61,
  VkmF7 = 62,
  VkmF8 = 63,
  VkmF9 = 64,
  VkmF10 = 65,
  VkmF11 = 66,
  VkmF12 = 67,
  VkmWheelDown = 68,
  VkmWheelUp = 69,
};

// Font style flags: bit numbers of a font style value.
enum FontStyleFlag : int {
  FS_BOLD = 0,
  FS_ITALIC = 1,
  FS_UNDERLINE = 2,
  FS_STRIKEOUT = 3,
};

// Horizontal alignment.
enum HorizontalAlignment : int {
  HA_LEFT = 0,
  HA_CENTER = 1,
  HA_RIGHT = 2,
};

// Vertical alignment.
enum VerticalAlignment : int {
  VA_TOP = 0,
  VA_CENTER = 1,
  VA_BOTTOM = 2,
};

// Play mode of sounds and videos.
enum PlayMode : int {
  LP_PLAY = 0,
  LP_PLAYFADE = 1,
  LP_STOP = 2,
  LP_STOPFADE = 3,
};

// Particle motion.
enum ParticleMotion : int {
  PM_NONE = 0,
  PM_SNOW = 1,
  PM_STAR = 2,
  PM_FLUFF = 3,
  PM_TWISTER = 4,
};

// Input ignore mode.
enum InputIgnoreMode : int {
  IM_NONE = 0,
  IM_ALL = 1,
  IM_CLICK = 2,
  IM_LCLICK = 3,
  IM_RCLICK = 4,
};

// Orientation of sliders, scroll bars and gauges.
enum Orientation : int {
  OT_HORIZONTAL = 0,
  OT_VERTICAL = 1,
};

// Motion easing.
enum MotionEasing : int {
  MT_NORMAL = 0,
  MT_INC = 1,
  MT_DEC = 2,
};

// Value types.
enum ValueType : int {
  PT_NONE = 0,
  PT_INT = 1,
  PT_FLOAT = 2,
  PT_BOOL = 3,
  PT_STR = 4,
};

// Flip placement: which listed surfaces the Flip command leaves on top.
enum FlipPlacement : int {
  FL_OUT = 0,
  FL_STAY = 1,
};

// System prompts: the disk change request and the exit confirmation.
enum SystemPromptId : int {
  CHANGEMEDIA = 0,
  EXIT = 1,
};

inline constexpr int kCommandCount = CMD_LoadCabinet + 1;       // 61
inline constexpr int kOperatorCount = ocNEqual + 1;             // 21
inline constexpr int kComponentKindCount = LT_CABINET + 1;      // 28
inline constexpr int kPropertyCount = PR_MUTEONLOAD + 1;        // 159
inline constexpr int kTransitionCount = WP_CLOCKHAND + 1;       // 32
inline constexpr int kSystemVariableCount = SV_WheelUp + 1;     // 49
inline constexpr int kSystemFunctionCount = FN_OpenUrl + 1;     // 136
inline constexpr int kKeyCount = VkmWheelUp + 1;                // 70
inline constexpr int kFontStyleFlagCount = FS_STRIKEOUT + 1;    // 4
inline constexpr int kHorizontalAlignmentCount = HA_RIGHT + 1;  // 3
inline constexpr int kVerticalAlignmentCount = VA_BOTTOM + 1;   // 3
inline constexpr int kPlayModeCount = LP_STOPFADE + 1;          // 4
inline constexpr int kParticleMotionCount = PM_TWISTER + 1;     // 5
inline constexpr int kInputIgnoreModeCount = IM_RCLICK + 1;     // 5
inline constexpr int kOrientationCount = OT_VERTICAL + 1;       // 2
inline constexpr int kMotionEasingCount = MT_DEC + 1;           // 3
inline constexpr int kValueTypeCount = PT_STR + 1;              // 5
inline constexpr int kFlipPlacementCount = FL_STAY + 1;         // 2
inline constexpr int kSystemPromptCount = EXIT + 1;             // 2
// The caption-only tables have no names and so no enum: variable scopes are
// 0 global, 1 auto-deleted, 2 local, 3 status; wallpaper placements are
// 0 centred, 1 stretched, 2 tiled.
inline constexpr int kVariableScopeCount = 4;
inline constexpr int kWallpaperPlacementCount = 3;

// Names every table, for the calls that take any of them.
enum class Vocabulary : int {
  kCommands,
  kOperators,
  kComponentKinds,
  kProperties,
  kTransitions,
  kSystemVariables,
  kSystemFunctions,
  kKeys,
  kFontStyleFlags,
  kHorizontalAlignments,
  kVerticalAlignments,
  kPlayModes,
  kParticleMotions,
  kInputIgnoreModes,
  kOrientations,
  kMotionEasings,
  kValueTypes,
  kFlipPlacements,
  kSystemPrompts,
  kVariableScopes,
  kWallpaperPlacements,
};
inline constexpr int kVocabularyCount = static_cast<int>(Vocabulary::kWallpaperPlacements) + 1;

// The tables, index = id.
std::span<const VocabEntry> Commands();
std::span<const VocabEntry> Operators();  // names only
std::span<const VocabEntry> ComponentKinds();
std::span<const VocabEntry> Properties();
std::span<const VocabEntry> Transitions();
std::span<const VocabEntry> SystemVariables();  // names only, with the '@'
std::span<const VocabEntry> SystemFunctions();  // names only
std::span<const VocabEntry> Keys();             // names only
std::span<const VocabEntry> FontStyleFlags();
std::span<const VocabEntry> HorizontalAlignments();
std::span<const VocabEntry> VerticalAlignments();
std::span<const VocabEntry> PlayModes();  // names only
std::span<const VocabEntry> ParticleMotions();
std::span<const VocabEntry> InputIgnoreModes();
std::span<const VocabEntry> Orientations();
std::span<const VocabEntry> MotionEasings();
std::span<const VocabEntry> ValueTypes();  // PT_NONE's caption is ""
std::span<const VocabEntry> FlipPlacements();
std::span<const VocabEntry> SystemPrompts();        // CHANGEMEDIA, EXIT
std::span<const VocabEntry> VariableScopes();       // captions only
std::span<const VocabEntry> WallpaperPlacements();  // captions only
// Any of the above; empty for a value outside Vocabulary.
std::span<const VocabEntry> Table(Vocabulary which);

// The entry of `id`, or nullptr when id is outside the table.
const VocabEntry* EntryAt(std::span<const VocabEntry> table, int id);
// The class the page loader creates for command `id` ("TComIf"...), or
// nullptr for an id outside the command table.
const char* CommandClassName(int id);
// The caption of `id` in CP932, the engine's text form; converted from the
// UTF-8 table the first time any caption of that table is asked for. Empty
// for an id outside the table and for an entry without caption.
std::string_view CaptionCp932(Vocabulary which, int id);

// The id whose name is `name` byte for byte, or -1.
int FindByName(std::span<const VocabEntry> table, std::string_view name);
// The same with ASCII letters compared without regard to case, as script
// text names properties and functions. The table names are plain ASCII, so
// a name holding a double-byte character never matches.
int FindByNameIgnoreCase(std::span<const VocabEntry> table, std::string_view name);

}  // namespace vesk::lang
