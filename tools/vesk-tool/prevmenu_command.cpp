// "vesk-tool prevmenu": the description is one keyword a line, `#` starting
// a comment; `item` opens an item and the keywords after it fill that item.
// Strings are quoted as in the script language (UTF-8, converted to CP932;
// `\xNN` for raw bytes).
#include "vesk-tool/prevmenu_command.h"

#include <iostream>

#include "platform/files.h"
#include "vesk-tool/script/lexer.h"

namespace vesk::tool {
namespace {

using components::PrevMenuFile;
using components::PrevMenuItem;
using script::CompileError;
using script::QuoteString;
using script::Tok;
using script::TokenStream;

constexpr int32_t kUncheckedVersion = 101;

int64_t Integer(TokenStream& ts, int64_t lo, int64_t hi, const char* what) {
  const bool negative = ts.Accept("-");
  const script::Token& t = ts.Next();
  if (t.kind != Tok::kInt) ts.Fail(t, std::string(what) + " wants a number");
  const int64_t v = negative ? -t.int_value : t.int_value;
  if (v < lo || v > hi)
    ts.Fail(t, std::string(what) + " must lie between " + std::to_string(lo) + " and " +
                   std::to_string(hi));
  return v;
}

int32_t Int32(TokenStream& ts, const char* what) {
  return static_cast<int32_t>(Integer(ts, INT32_MIN, INT32_MAX, what));
}

std::string Text(TokenStream& ts, const char* what) {
  const script::Token& t = ts.Next();
  if (t.kind != Tok::kString) ts.Fail(t, std::string(what) + " wants a quoted string");
  return t.text;
}

// The string fields of an item by keyword.
std::string* StringField(PrevMenuItem& item, const script::Token& key) {
  static const struct {
    const char* word;
    std::string PrevMenuItem::*field;
  } kFields[] = {
      {"source", &PrevMenuItem::Source},          {"caption", &PrevMenuItem::Caption},
      {"hover", &PrevMenuItem::HoverSource},      {"leave", &PrevMenuItem::LeaveSource},
      {"pressed", &PrevMenuItem::PressedSource},  {"unchecked", &PrevMenuItem::UncheckedSource},
      {"hover_sound", &PrevMenuItem::HoverSound}, {"leave_sound", &PrevMenuItem::LeaveSound},
      {"cursor", &PrevMenuItem::Cursor}};
  for (const auto& f : kFields)
    if (key.IsWord(f.word)) return &(item.*f.field);
  return nullptr;
}

void ParseLine(TokenStream& ts, PrevMenuFile& menu) {
  const script::Token& key = ts.Next();
  if (key.kind != Tok::kIdent) ts.Fail(key, "a line starts with a keyword");
  PrevMenuItem* item = menu.Items.empty() ? nullptr : &menu.Items.back();
  auto in_item = [&]() -> PrevMenuItem& {
    if (!item) ts.Fail(key, "'" + key.text + "' belongs to an item: write 'item' first");
    return *item;
  };
  if (key.IsWord("version")) {
    if (!menu.Items.empty()) ts.Fail(key, "the version comes before the items");
    menu.Version = static_cast<int32_t>(Integer(ts, 0, 999, "the version"));
  } else if (key.IsWord("size")) {
    menu.Width = Int32(ts, "the width");
    menu.Height = Int32(ts, "the height");
  } else if (key.IsWord("item")) {
    menu.Items.emplace_back();
  } else if (key.IsWord("at")) {
    PrevMenuItem& it = in_item();
    it.X = Int32(ts, "x");
    it.Y = Int32(ts, "y");
  } else if (key.IsWord("capture_mask")) {
    in_item().CaptureMask = static_cast<uint8_t>(Integer(ts, 0, 255, "the capture mask"));
  } else if (key.IsWord("clicked")) {
    PrevMenuItem& it = in_item();
    it.ClickedSource = Text(ts, "the clicked animation");
    it.ClickedX = Int32(ts, "the clicked animation's x");
    it.ClickedY = Int32(ts, "the clicked animation's y");
  } else if (std::string* field = StringField(in_item(), key)) {
    if (key.IsWord("unchecked") && menu.Version < kUncheckedVersion)
      ts.Fail(key, "unchecked pictures need version 101 or later");
    *field = Text(ts, key.text.c_str());
  } else {
    ts.Fail(key, "unknown keyword '" + key.text + "'");
  }
  if (!ts.AtEnd()) ts.Fail("more than '" + key.text + "' takes on one line");
}

}  // namespace

std::string PrevMenuUsage() {
  return "  vesk-tool prevmenu write DESC.txt OUT\n"
         "  vesk-tool prevmenu show FILE\n";
}

PrevMenuFile ParsePrevMenuDescription(const std::string& utf8) {
  PrevMenuFile menu;
  script::ForEachDescriptionLine(utf8, [&](TokenStream& ts) { ParseLine(ts, menu); });
  return menu;
}

std::string DescribePrevMenu(const PrevMenuFile& menu) {
  std::string out = "version " + std::to_string(menu.Version) + "\n";
  if (menu.Version < 100) return out;
  out += "size " + std::to_string(menu.Width) + " " + std::to_string(menu.Height) + "\n";
  for (const PrevMenuItem& it : menu.Items) {
    auto field = [&out](const char* word, const std::string& value) {
      out += std::string("  ") + word + " " + QuoteString(value) + "\n";
    };
    out += "item\n";
    out += "  at " + std::to_string(it.X) + " " + std::to_string(it.Y) + "\n";
    field("source", it.Source);
    out += "  capture_mask " + std::to_string(it.CaptureMask) + "\n";
    field("caption", it.Caption);
    field("hover", it.HoverSource);
    field("leave", it.LeaveSource);
    field("pressed", it.PressedSource);
    if (menu.Version >= kUncheckedVersion) field("unchecked", it.UncheckedSource);
    field("hover_sound", it.HoverSound);
    field("leave_sound", it.LeaveSound);
    out += "  clicked " + QuoteString(it.ClickedSource) + " " + std::to_string(it.ClickedX) + " " +
           std::to_string(it.ClickedY) + "\n";
    field("cursor", it.Cursor);
  }
  return out;
}

int RunPrevMenuCommand(const std::vector<std::string>& args) {
  const bool write = args.size() == 3 && args[0] == "write";
  const bool show = args.size() == 2 && args[0] == "show";
  if (!write && !show) {
    std::cerr << "usage:\n" << PrevMenuUsage();
    return 2;
  }
  const std::string& in_path = args[1];
  const auto bytes = platform::ReadWholeFile(in_path);
  if (!bytes) {
    std::cerr << "vesk-tool: " << in_path << ": cannot read\n";
    return 1;
  }
  if (show) {
    try {
      const PrevMenuFile menu = components::ReadPrevMenuFile(*bytes);
      if (!menu.Recognised) {
        std::cerr << "vesk-tool: " << in_path << ": not a preview-menu file (no "
                  << components::kPrevMenuMagic << " at its start)\n";
        return 1;
      }
      std::cout << DescribePrevMenu(menu);
      return 0;
    } catch (const components::EPrevMenuFile& e) {
      std::cerr << "vesk-tool: " << in_path << ": damaged: " << e.what() << '\n';
      return 1;
    }
  }
  PrevMenuFile menu;
  try {
    menu = ParsePrevMenuDescription(std::string(bytes->begin(), bytes->end()));
  } catch (const CompileError& e) {
    std::cerr << "vesk-tool: " << in_path << ":" << e.line() << ":" << e.column() << ": "
              << e.what() << '\n';
    return 1;
  }
  const std::vector<uint8_t> out = components::WritePrevMenuFile(menu);
  std::string error;
  if (!platform::WriteFileAtomic(args[2], out.data(), out.size(), &error)) {
    std::cerr << "vesk-tool: " << args[2] << ": " << error << '\n';
    return 1;
  }
  return 0;
}

}  // namespace vesk::tool
