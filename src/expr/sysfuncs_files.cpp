// Variables, files, paths and the shell. Paths are the game's own
// Windows-style paths in Shift-JIS: "\" and ":" delimit, and a delimiter
// byte that is the second half of a double-byte character (0x5C is a
// common trail byte) is not one.
#include <algorithm>

#include "expr/sysfuncs_internal.h"
#include "lang/vocabulary.h"

namespace vesk::expr::sysfuncs {
namespace {

using namespace lang;

std::string ExtractFilePath(const std::string& s) {
  const size_t at = SjisFindLastOf(s, "\\:");
  return at == std::string::npos ? std::string() : s.substr(0, at + 1);
}

std::string ExtractFileName(const std::string& s) {
  const size_t at = SjisFindLastOf(s, "\\:");
  return at == std::string::npos ? s : s.substr(at + 1);
}

// Offset of the extension's "." in the last path element, or npos.
size_t ExtensionDot(const std::string& s) {
  const size_t at = SjisFindLastOf(s, ".\\:");
  return at != std::string::npos && s[at] == '.' ? at : std::string::npos;
}

// True when the 1-based byte `pos` of `s` is a character of its own and
// one of the bytes of `delimiters`.
bool IsDelimiterAt(const std::string& delimiters, const std::string& s, int32_t pos) {
  if (pos < 1 || static_cast<size_t>(pos) > s.size()) return false;
  const size_t i = static_cast<size_t>(pos) - 1;
  return IsSingleByteAt(s, i) && delimiters.find(s[i]) != std::string::npos;
}

bool LoadTextFile(Call& call) {
  TParamVar* a = call.FoundVar(0);
  if (!a) return false;
  const auto content = call.host().LoadFile(call.Str(1));
  if (!content || content->empty()) return false;
  const std::vector<std::string> lines = SplitLines(std::string(content->begin(), content->end()));
  if (lines.empty()) return false;
  if (lines.size() > static_cast<size_t>(INT32_MAX)) RaiseExpr(Msg::kBadDimension);
  a->SetDims({static_cast<int32_t>(lines.size())});
  for (size_t i = 0; i < lines.size(); ++i) a->SetStrAt(static_cast<int32_t>(i), lines[i]);
  return true;
}

}  // namespace

bool CallFileFunction(int id, Call& call) {
  switch (id) {
    case FN_VarExists:
      call.SetFlag(call.table().Find(call.Str(0)) != nullptr);
      return true;
    case FN_FileExists: {
      const std::string name = call.Str(0);
      call.SetFlag(!name.empty() && call.host().FileExists(name));
      return true;
    }
    case FN_LoadTextFile:
      call.SetFlag(LoadTextFile(call));
      return true;
    case FN_ExtractFilePath:
      call.SetStr(ExtractFilePath(call.Str(0)));
      return true;
    case FN_ExtractFileName:
      call.SetStr(ExtractFileName(call.Str(0)));
      return true;
    case FN_ExtractFileExt: {
      const std::string s = call.Str(0);
      const size_t dot = ExtensionDot(s);
      call.SetStr(dot == std::string::npos ? std::string() : s.substr(dot));
      return true;
    }
    case FN_IsPathDelimiter:
      call.SetFlag(IsDelimiterAt("\\", call.Str(0), call.Int(1)));
      return true;
    case FN_AddBackSlash: {
      const std::string s = call.Str(0);
      const bool ends_with_one =
          IsDelimiterAt("\\", s, static_cast<int32_t>(std::min<size_t>(s.size(), INT32_MAX)));
      CheckTextSize(static_cast<int64_t>(s.size()) + 1);
      call.SetStr(ends_with_one ? s : s + "\\");
      return true;
    }
    case FN_ChangeFileExt: {
      const std::string s = call.Str(0);
      const size_t dot = ExtensionDot(s);
      call.SetStr((dot == std::string::npos ? s : s.substr(0, dot)) + call.Str(1));
      return true;
    }
    case FN_IsDelimiter:
      call.SetFlag(IsDelimiterAt(call.Str(0), call.Str(1), call.Int(2)));
      return true;
    case FN_AssignTemp: {
      const std::string name = call.Str(0);
      const bool found = !name.empty() && call.table().Find(name);
      if (found) call.table().TempTarget = name;
      call.SetFlag(found);
      return true;
    }
    case FN_OpenUrl: {
      // Only web and file-transfer addresses: a script must not be able to
      // make the shell open arbitrary documents or programs.
      const std::string url = call.Str(0);
      if (url.rfind("http", 0) == 0 || url.rfind("ftp", 0) == 0) call.host().OpenUrl(url);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace vesk::expr::sysfuncs
