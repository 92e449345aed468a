#include "core/messages.h"

#include <array>

#include "core/vesk_error.h"
#include "platform/cp932.h"

namespace vesk {
namespace {

constexpr std::array<const char*, static_cast<size_t>(Msg::kCount)> kUtf8 = {
    "VeskPlayer",
    "動作設定",
    "DirectSoundを使用する(&S)",
    "サウンドの遅延時間(&D)：",
    "%dms",
    "OK",
    "キャンセル",
    "%s:ファイルがありません",
    "ファイルがありません",
    "%s:ファイルに書き込めません",
    "リソースが見つかりません",
    "作業用ファイルが作れません",
    "vesk.dllのバージョンがあいません",
    "配列の添字が不正です",
    "配列の要素数が不正です",
    "CopyMem:変数の型があいません",
    "\"%s\"：変数名が不正です",
    "\"%s\" 変数がありません",
    "%s:不正な変数です",
    "変数名がありません",
    "内部エラー",
    "GetPropの引数が違います",
    "不正な式\r\n\r\n代入先:",
    "演算タイプ:",
    "添え字が不正です",
    "要素数を超えています",
    "GetArraySize:変数が見つかりません",
    "SetArray:変数が見つかりません",
    "FillMem:変数が見つかりません",
    "CopyMem:変数が見つかりません",
    "Invalid date",
    "Invalid time",
    "Format '%s' invalid or incompatible with argument",
    "Invalid floating point operation",
    "Floating point overflow",
    "Out of memory",
    "日",
    "月",
    "火",
    "水",
    "木",
    "金",
    "土",
    "プロジェクトがありません",
    "スタートページがありません",
    "インストールし直してください",
    "ディスクを入れてください",
    "ディスク%dを入れてから[OK]をクリックしてください",
    "終了します",
    "不正なコマンド",
    "リビルドしてください",
    "スタックエラー",
    "GetPropエラー",
    "SetPropエラー",
    "プロパティ指定が不正です",
    "<A>タグにHREF値がありません",
    "Error",
    "警告",
    "情報",
    "Error:GetOutlineTextMetrics",
    "このセーブデータは使用できません\r\n終了してください",
    "サウンドデータが不正です",
    "MIDIマッパー",
};

}  // namespace

const char* MessageUtf8(Msg id) {
  return kUtf8.at(static_cast<size_t>(id));
}

const std::string& MessageCp932(Msg id) {
  // Converted once on first use; the table never changes afterwards.
  static const auto table = [] {
    std::array<std::string, kUtf8.size()> out;
    for (size_t i = 0; i < kUtf8.size(); ++i) out[i] = platform::Utf8ToCp932(kUtf8[i]);
    return out;
  }();
  return table.at(static_cast<size_t>(id));
}

std::string FormatMessage(const std::string& pattern, const std::string& arg) {
  std::string out = pattern;
  if (auto at = out.find("%s"); at != std::string::npos) out.replace(at, 2, arg);
  return out;
}

std::string ErrorTextUtf8(const std::exception& e) {
  if (const auto* own = dynamic_cast<const EVeskError*>(&e))
    return platform::Cp932ToUtf8(own->Message());
  return e.what();
}

}  // namespace vesk
