// The dispatcher: result types, the generator's seed, and the hand-off of
// each call to its family. The families live in sysfuncs_*.cpp.
#include "expr/sysfuncs.h"

#include <array>

#include "core/sjis.h"
#include "expr/sysfuncs_internal.h"
#include "lang/vocabulary.h"
#include "platform/clock.h"

namespace vesk::expr {
namespace {

using namespace lang;

// What each function leaves in its destination. Functions that store
// nothing are typed none; so is GetProp, whose type the evaluator takes
// from the property catalogue.
constexpr std::array<uint8_t, lang::kSystemFunctionCount> MakeResultTypes() {
  std::array<uint8_t, lang::kSystemFunctionCount> t{};  // PT_NONE unless listed
  constexpr int kInts[] = {
      FN_GetArraySize, FN_Length,      FN_JLength,   FN_CompareStr,    FN_CompareText,
      FN_Pos,          FN_JPos,        FN_Random,    FN_IndexOfStr,    FN_ListCompo,
      FN_ToClientX,    FN_ToClientY,   FN_ToScreenX, FN_ToScreenY,     FN_Int,
      FN_IndexOfMenu,  FN_Abs,         FN_GetYear,   FN_GetMonth,      FN_GetDay,
      FN_GetHour,      FN_GetMin,      FN_GetSec,    FN_GetWeek,       FN_AddArray,
      FN_InsertArray,  FN_DeleteArray, FN_DBGetInt,  FN_DBRecordCount, FN_DBDirectGetInt,
      FN_DBGetRecNo,   FN_Min,         FN_Max,       FN_GetVarType,    FN_ListSaveCaption};
  constexpr int kReals[] = {FN_Float,      FN_Sin,
                            FN_Cos,        FN_Tan,
                            FN_ArcSin,     FN_ArcCos,
                            FN_ArcTan,     FN_ArcTan2,
                            FN_Hypot,      FN_Fabs,
                            FN_EncodeDate, FN_EncodeTime,
                            FN_DBGetFloat, FN_DBDirectGetFloat,
                            FN_Fmin,       FN_Fmax};
  constexpr int kFlags[] = {FN_Exists,           FN_Not,
                            FN_GetCheck,         FN_VarExists,
                            FN_GetDisplayMode,   FN_InPrimary,
                            FN_CopyArray,        FN_FileExists,
                            FN_LoadTextFile,     FN_IsPathDelimiter,
                            FN_IsDelimiter,      FN_AssignTemp,
                            FN_DBCreateTable,    FN_DBSetActive,
                            FN_DBAddField,       FN_DBSetRecNo,
                            FN_DBInsert,         FN_DBDelete,
                            FN_DBSetInt,         FN_DBSetFloat,
                            FN_DBGetBool,        FN_DBSetBool,
                            FN_DBSetStr,         FN_DBFindFirst,
                            FN_DBFindLast,       FN_DBFindNext,
                            FN_DBFindPrior,      FN_DBLocate,
                            FN_DBLoadTsvFile,    FN_DBDirectSetInt,
                            FN_DBDirectSetFloat, FN_DBDirectGetBool,
                            FN_DBDirectSetBool,  FN_DBDirectSetStr,
                            FN_DBCopyTable,      FN_DBDeleteTable,
                            FN_DBInsertTable,    FN_DBCopy,
                            FN_DBSort,           FN_DBClearRecord,
                            FN_SetWallPaper,     FN_GetEnabled};
  constexpr int kStrings[] = {FN_IntToStr,
                              FN_IntToHex,
                              FN_Copy,
                              FN_JCopy,
                              FN_Trim,
                              FN_JTrim,
                              FN_GetSaveCaption,
                              FN_ArrayToString,
                              FN_GetWeekStr,
                              FN_GetWeekJStr,
                              FN_FixStr,
                              FN_LowerCase,
                              FN_UpperCase,
                              FN_ExtractFilePath,
                              FN_ExtractFileName,
                              FN_ExtractFileExt,
                              FN_AddBackSlash,
                              FN_ChangeFileExt,
                              FN_StringOfChar,
                              FN_StringReplace,
                              FN_HanToZen,
                              FN_ZenToHan,
                              FN_DBGetStr,
                              FN_DBDirectGetStr,
                              FN_DBGetActive,
                              FN_AddDelimiter};
  for (int id : kInts) t[id] = lang::PT_INT;
  for (int id : kReals) t[id] = lang::PT_FLOAT;
  for (int id : kFlags) t[id] = lang::PT_BOOL;
  for (int id : kStrings) t[id] = lang::PT_STR;
  return t;
}

constexpr auto kResultTypes = MakeResultTypes();

// The generator is seeded from the time of day so that every session plays
// differently; UTC keeps it independent of the player's time zone.
uint32_t StartupSeed() {
  const platform::LocalDateTime t = platform::NowUtc();
  return static_cast<uint32_t>(((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond);
}

}  // namespace

TSysFuncMan::TSysFuncMan(TParamCollection& table, SysFuncHost* host)
    : table_(table), host_(host ? host : &no_host_), random_state_(StartupSeed()) {}

int TSysFuncMan::ResultType(int id) {
  return id >= 0 && id < lang::kSystemFunctionCount ? int{kResultTypes[static_cast<size_t>(id)]}
                                                    : int{lang::PT_NONE};
}

void TSysFuncMan::Call(int id, TParamCollectionItem& dest, Operands& operands) {
  if (id < 0 || id >= lang::kSystemFunctionCount) return;
  if (host_->CallObjectFunction(id, dest, operands)) return;
  sysfuncs::Call call(*this, dest, operands);
  // Whatever no family claims belongs to a subsystem that is not wired in
  // yet (scene objects, saves, display modes, the wallpaper, the database
  // tables): the destination keeps its initial value.
  sysfuncs::CallStringFunction(id, call) || sysfuncs::CallArrayFunction(id, call) ||
      sysfuncs::CallMathFunction(id, call) || sysfuncs::CallDateFunction(id, call) ||
      sysfuncs::CallFileFunction(id, call);
}

namespace sysfuncs {

std::vector<size_t> CharStarts(const std::string& s) {
  std::vector<size_t> starts;
  starts.reserve(s.size() + 1);
  for (size_t i = 0; i < s.size();) {
    starts.push_back(i);
    i += IsSjisLeadByte(static_cast<uint8_t>(s[i])) && i + 1 < s.size() ? 2 : 1;
  }
  starts.push_back(s.size());
  return starts;
}

bool IsSingleByteAt(const std::string& s, size_t i) {
  if (i >= s.size()) return false;
  size_t at = 0;
  while (at < i) at += IsSjisLeadByte(static_cast<uint8_t>(s[at])) ? 2 : 1;
  // Byte i starts a character; it is a single byte unless it leads a pair
  // (a lead byte cut off at the end is still a lead byte, not a character
  // of its own).
  return at == i && !IsSjisLeadByte(static_cast<uint8_t>(s[i]));
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

}  // namespace sysfuncs
}  // namespace vesk::expr
