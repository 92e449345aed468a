#pragma once
// The text of a game a player can see, found in its compiled pages and its
// project file, each piece under a stable context id:
//
//   PAGE:INDEX:message         the markup of a TextIns
//   PAGE:INDEX:KEY[.N][/M]     string literal N (from 0; ".0" left out) of
//                              the field KEY of command INDEX; /M the line M
//                              (from 1) of a menu's text
//   FILM:LIST:text             the text of label list LIST (from 0) of a
//                              cinema or motion (.lcm, .lmt)
//   vesk.lpb:title             the project's title
//
// The pieces keep pointers into the loaded pages, so a translation is put
// back by changing the compiled field and writing the page again.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "anim/film_data.h"
#include "script/pages.h"
#include "script/project_info.h"

namespace vesk::expr {
class TCustomParam;
}

namespace vesk::tool {

class GameFiles;

enum class TextKind { kMessage, kLiteral, kMenuLine, kTitle, kFilmLabel };

struct TextItem {
  std::string context;  // UTF-8
  TextKind kind = TextKind::kLiteral;
  std::string original;               // CP932: markup lines joined by "\n", or the string
  std::vector<std::string> comments;  // UTF-8, one line each
  std::string reference;              // "PAGE:LINE"
  bool shown = true;                  // false: listed only with --all
  size_t page = 0;                    // index into GameText::pages (films: GameText::films)
  vesk::script::TComTextIns* message = nullptr;
  expr::TCustomParam* literal = nullptr;
  int menu_line = 0;
  std::string* film_text = nullptr;
};

struct LoadedFilm {
  std::string name;  // CP932 game name
  std::vector<uint8_t> bytes;
  anim::FilmData film;
  bool changed = false;
};

struct LoadedPage {
  std::string name;  // CP932 game name
  std::vector<uint8_t> bytes;
  std::unique_ptr<vesk::script::TPage> page;
  bool changed = false;
};

struct GameText {
  std::vector<LoadedPage> pages;
  std::vector<LoadedFilm> films;
  bool has_project = false;
  std::vector<uint8_t> project_bytes;
  vesk::script::ProjectFile project;
  bool title_changed = false;
  std::vector<TextItem> items;     // pages in name order, commands in order
  std::vector<std::string> notes;  // pages that could not be read (UTF-8)
};

// Reads every page and the project of the game; `progress` prints a line
// to standard error now and then.
GameText CollectGameText(const GameFiles& files, bool progress);

// The menu line `line` (from 1) of `text`, and `text` with it replaced.
std::vector<std::string> SplitMenuLines(const std::string& text, std::vector<std::string>* breaks);

}  // namespace vesk::tool
