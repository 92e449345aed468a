// "vesk-tool text": export a game's visible text to a .po catalogue and
// import a translation of it as a patch.
#include "vesk-tool/text_command.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>

#include "anim/film_file.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "storage/streams.h"
#include "storage/vrfiles.h"
#include "vesk-tool/image_command.h"
#include "vesk-tool/script/message_text.h"
#include "vesk-tool/script/page_compiler.h"
#include "vesk-tool/text_catalog.h"
#include "vesk-tool/text_game.h"
#include "vesk-tool/text_po.h"

namespace vesk::tool {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPatchIni = "vesk-patch.ini";
constexpr size_t kMaxErrorsShown = 20;

// Ends the command: printed as "vesk-tool: WHAT", exit status 1.
struct Failure {
  std::string what;
};

std::string Utf8(const std::string& cp932) {
  return platform::Cp932ToUtf8(cp932);
}

std::string TitleOf(const GameText& game) {
  return game.has_project ? Utf8(game.project.info.title) : std::string();
}

void PrintNotes(const GameText& game) {
  for (const std::string& note : game.notes) std::cerr << "vesk-tool: " << note << '\n';
}

// ------------------------------------------------------------- export ---

int Export(const std::vector<std::string>& sources, const std::string& out, bool all) {
  const GameFiles files(sources);
  const GameText game = CollectGameText(files, true);
  PrintNotes(game);
  po::Catalog catalog;
  catalog.header = po::DefaultHeader(TitleOf(game));
  size_t left_out = 0;
  for (const TextItem& item : game.items) {
    if (!item.shown && !all) {
      ++left_out;
      continue;
    }
    po::Entry e;
    e.has_context = true;
    e.context = item.context;
    e.id = Utf8(item.original);
    e.comments = item.comments;
    e.references.push_back(item.reference);
    catalog.entries.push_back(std::move(e));
  }
  const std::string text = po::WriteCatalog(catalog);
  std::string error;
  if (!platform::WriteFileAtomic(out, text.data(), text.size(), &error))
    throw Failure{out + ": cannot write: " + error};
  std::cout << out << ": " << catalog.entries.size() << " entries from " << game.pages.size()
            << " pages";
  if (left_out)
    std::cout << " (" << left_out << " strings not shown on screen left out; --all lists them)";
  std::cout << '\n';
  return 0;
}

// ------------------------------------------------------------- import ---

struct ImportOptions {
  std::string game, po, out;
  bool archive = false;
  bool replace = false;
  bool wrap_words = false;
};

// The first character of `utf8` without a Shift-JIS form, as "U+XXXX 'c'".
std::string FirstUnencodable(const std::string& utf8) {
  for (size_t i = 0; i < utf8.size();) {
    size_t n = 1;
    const auto b = static_cast<uint8_t>(utf8[i]);
    if (b >= 0xC0) n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
    const std::string one = utf8.substr(i, n);
    if (!platform::IsCp932Representable(one)) {
      uint32_t cp = n == 1 ? b : n == 2 ? b & 0x1F : n == 3 ? b & 0x0F : b & 0x07;
      for (size_t k = 1; k < n && i + k < utf8.size(); ++k)
        cp = cp << 6 | (static_cast<uint8_t>(utf8[i + k]) & 0x3F);
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
      return std::string(code) + " '" + one + "'";
    }
    i += n;
  }
  return "a character";
}

class Importer {
 public:
  Importer(const ImportOptions& o, GameText& game) : o_(o), game_(game) {
    for (TextItem& item : game_.items) by_context_.emplace(item.context, &item);
  }

  void Apply(const po::Catalog& catalog) {
    for (const po::Entry& e : catalog.entries) Entry(e);
  }
  const std::vector<std::string>& errors() const { return errors_; }
  size_t changed() const { return changed_; }

 private:
  void Error(int line, const std::string& what) {
    errors_.push_back(o_.po + ":" + std::to_string(line) + ": " + what);
  }

  void Entry(const po::Entry& e) {
    if (!e.has_context) return Error(e.line, "the entry has no msgctxt: not one of text export's");
    const auto it = by_context_.find(e.context);
    if (it == by_context_.end())
      return Error(e.line,
                   "the context '" + e.context.substr(0, 200) + "' names no text of this game");
    TextItem& item = *it->second;
    if (e.id != Utf8(item.original))
      return Error(e.line, e.context +
                               ": the msgid is not the game's text there (a catalogue of "
                               "another version of the game?)");
    if (!e.translated()) return;  // untranslated and fuzzy entries keep the original
    const std::string utf8 = o_.replace ? ReplaceForShiftJis(e.str) : e.str;
    if (!platform::IsCp932Representable(utf8))
      return Error(e.str_line, e.context + ": " + FirstUnencodable(utf8) +
                                   " has no Shift-JIS form" +
                                   (o_.replace ? "" : " (--replace maps common ones)"));
    const std::string cp932 = platform::Utf8ToCp932(utf8);
    if (cp932 == item.original) return;
    switch (item.kind) {
      case TextKind::kMessage:
        return Message(e, item, cp932);
      case TextKind::kMenuLine:
        return MenuLine(e, item, cp932);
      case TextKind::kLiteral:
        item.literal->SetStr(cp932);
        return Changed(item);
      case TextKind::kFilmLabel:
        *item.film_text = cp932;
        game_.films[item.page].changed = true;
        ++changed_;
        return;
      case TextKind::kTitle:
        game_.project.info.title = cp932;
        game_.title_changed = true;
        ++changed_;
        return;
    }
  }

  void Message(const po::Entry& e, TextItem& item, const std::string& cp932) {
    std::vector<script::MarkupSourceLine> lines;
    size_t start = 0, utf8_offset = 0;
    while (true) {
      const size_t end = cp932.find('\n', start);
      std::string text = cp932.substr(start, end == std::string::npos ? end : end - start);
      lines.push_back({text, e.LineOfStrOffset(utf8_offset), 1, false});
      utf8_offset += Utf8(text).size() + 1;
      if (end == std::string::npos) break;
      start = end + 1;
    }
    std::vector<script::CompileWarning> warnings;
    std::vector<uint8_t> stream;
    try {
      stream = script::CompileMessage(lines, warnings);
    } catch (const script::CompileError& error) {
      return Error(error.line(), e.context + ": " + error.what());
    }
    if (!warnings.empty()) return Error(warnings[0].line, e.context + ": " + warnings[0].what);
    if (stream == item.message->TextData) return;
    item.message->TextData = std::move(stream);
    Changed(item);
  }

  void MenuLine(const po::Entry& e, TextItem& item, const std::string& cp932) {
    if (cp932.find_first_of("\r\n") != std::string::npos)
      return Error(e.str_line, e.context + ": a menu line cannot hold a line break");
    std::vector<std::string> breaks;
    std::vector<std::string> lines = SplitMenuLines(item.literal->GetStr(), &breaks);
    const auto index = static_cast<size_t>(item.menu_line - 1);
    if (index >= lines.size()) return Error(e.line, e.context + ": the menu has no such line");
    lines[index] = cp932;
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) joined += (i ? breaks[i - 1] : "") + lines[i];
    item.literal->SetStr(joined);
    Changed(item);
  }

  void Changed(TextItem& item) {
    game_.pages[item.page].changed = true;
    ++changed_;
  }

  const ImportOptions& o_;
  GameText& game_;
  std::map<std::string, TextItem*> by_context_;
  std::vector<std::string> errors_;
  size_t changed_ = 0;
};

struct PatchFile {
  std::string name;  // CP932 game name
  std::vector<uint8_t> bytes;
};

// The pages (and project) whose text changed, as they will be stored. A
// page is only rewritten when writing it unchanged gives its own bytes.
std::vector<PatchFile> ChangedFiles(const GameText& game) {
  std::vector<PatchFile> files;
  for (const LoadedPage& page : game.pages) {
    if (!page.changed) continue;
    vesk::script::TPage fresh;
    fresh.Load(page.name, page.bytes);
    if (script::PageBytes(fresh) != page.bytes)
      throw Failure{Utf8(page.name) +
                    ": the page does not come out the same when written again; "
                    "it cannot be patched"};
    files.push_back({page.name, script::PageBytes(*page.page)});
  }
  for (const LoadedFilm& film : game.films) {
    if (!film.changed) continue;
    if (anim::WriteFilm(*anim::ReadFilm(film.bytes, film.name)) != film.bytes)
      throw Failure{Utf8(film.name) +
                    ": the film does not come out the same when written again; "
                    "it cannot be patched"};
    files.push_back({film.name, anim::WriteFilm(film.film)});
  }
  if (game.title_changed) {
    if (vesk::script::WriteProjectFile(vesk::script::ReadProjectFile(game.project_bytes)) !=
        game.project_bytes)
      throw Failure{"vesk.lpb: the project file does not come out the same when written again"};
    files.push_back({"vesk.lpb", vesk::script::WriteProjectFile(game.project)});
  }
  return files;
}

// Names the game by its own title, not the translated one.
// game= is the title the patch was made for; title= the title it gives the
// game, when it translates that too (the player then reads the patch's).
std::string PatchIni(const std::string& title_utf8, const std::string& translated_utf8,
                     bool wrap_words) {
  std::string ini = "[patch]\nformat=1\ngame=" + title_utf8 + "\n";
  if (translated_utf8 != title_utf8) ini += "title=" + translated_utf8 + "\n";
  if (wrap_words) ini += "[text]\nwrap=words\n";
  return ini;
}

// A game name as a path below the patch folder; names that would reach
// outside it are refused.
fs::path PathBelow(const fs::path& folder, const std::string& name_cp932) {
  fs::path path = folder;
  std::string utf8 = Utf8(name_cp932);
  size_t start = 0;
  while (start <= utf8.size()) {
    size_t end = utf8.find('\\', start);
    if (end == std::string::npos) end = utf8.size();
    const std::string part = utf8.substr(start, end - start);
    if (part.empty() || part == "." || part == ".." || part.find('/') != std::string::npos)
      throw Failure{utf8 + ": a name that would reach outside the patch folder"};
    path /= part;
    start = end + 1;
  }
  return path;
}

// Inside the folder that is renamed into place once complete, so each file
// needs no rename of its own; a sync per file would cost a large patch
// more than everything else.
void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (ec) throw Failure{path.parent_path().string() + ": cannot create: " + ec.message()};
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw Failure{path.string() + ": cannot write"};
}

std::string RandomSuffix() {
  std::random_device random;
  return std::to_string(random() % 1000000000u);
}

// The patch is made in a folder beside OUT and renamed into place, so a
// failure leaves the previous patch (or nothing) where OUT is.
void WritePatchFolder(const std::string& out, const std::vector<PatchFile>& files,
                      const std::string& ini) {
  const fs::path target(out);
  std::error_code ec;
  if (fs::exists(target, ec)) {
    if (!fs::is_directory(target, ec)) throw Failure{out + ": exists and is not a folder"};
    if (!fs::is_empty(target, ec) && !fs::exists(target / kPatchIni, ec))
      throw Failure{out + ": a folder that is not a patch; give another name"};
  }
  const fs::path temp = target.string() + ".tmp-" + RandomSuffix();
  try {
    for (const PatchFile& f : files) WriteBytes(PathBelow(temp, f.name), f.bytes);
    WriteBytes(temp / kPatchIni, std::vector<uint8_t>(ini.begin(), ini.end()));
    const fs::path old = target.string() + ".old-" + RandomSuffix();
    const bool had_old = fs::exists(target, ec);
    if (had_old) fs::rename(target, old);
    fs::rename(temp, target);
    if (had_old) fs::remove_all(old, ec);
  } catch (const fs::filesystem_error& e) {
    fs::remove_all(temp, ec);
    throw Failure{out + ": " + e.code().message()};
  } catch (...) {
    fs::remove_all(temp, ec);
    throw;
  }
}

void WritePatchArchive(const std::string& out, const std::vector<PatchFile>& files,
                       const std::string& ini) {
  if (platform::DirectoryExists(out)) throw Failure{out + ": is a folder"};
  storage::TVrFileCollection archive;
  for (const PatchFile& f : files)
    archive.AddEntry(f.name)->Source = std::make_unique<storage::TMemoryStream>(f.bytes);
  archive.AddEntry(kPatchIni)->Source =
      std::make_unique<storage::TMemoryStream>(std::vector<uint8_t>(ini.begin(), ini.end()));
  try {
    archive.SaveToFile(out, ArchiveWritePolicyForImages());
  } catch (const std::exception& e) {
    throw Failure{out + ": " + e.what()};
  }
}

int Import(const ImportOptions& o) {
  const auto text = platform::ReadWholeFile(o.po);
  if (!text) throw Failure{o.po + ": cannot read"};
  po::Catalog catalog;
  try {
    catalog = po::ReadCatalog(
        std::string_view(reinterpret_cast<const char*>(text->data()), text->size()));
  } catch (const po::PoError& e) {
    throw Failure{o.po + ":" + std::to_string(e.line()) + ": " + e.what() + "; nothing written"};
  }
  const GameFiles files({o.game});
  GameText game = CollectGameText(files, true);
  PrintNotes(game);
  const std::string title = TitleOf(game);
  Importer importer(o, game);
  importer.Apply(catalog);
  if (!importer.errors().empty()) {
    const auto& errors = importer.errors();
    for (size_t i = 0; i < errors.size() && i < kMaxErrorsShown; ++i)
      std::cerr << "vesk-tool: " << errors[i] << '\n';
    if (errors.size() > kMaxErrorsShown)
      std::cerr << "vesk-tool: ... and " << errors.size() - kMaxErrorsShown << " more\n";
    throw Failure{o.po + ": " + std::to_string(errors.size()) + " error(s); nothing written"};
  }
  const std::vector<PatchFile> changed = ChangedFiles(game);
  const std::string ini = PatchIni(title, TitleOf(game), o.wrap_words);
  if (o.archive)
    WritePatchArchive(o.out, changed, ini);
  else
    WritePatchFolder(o.out, changed, ini);
  if (changed.empty())
    std::cout << o.out << ": no text differs from the game; the patch holds no page\n";
  else
    std::cout << o.out << ": " << changed.size() << (changed.size() == 1 ? " file" : " files")
              << " patched (" << importer.changed() << " texts changed)\n";
  return 0;
}

// ------------------------------------------------------- command line ---

int Usage(const std::string& what) {
  std::cerr << "vesk-tool text: " << what << "\nusage:\n" << TextUsage();
  return 2;
}

int Dispatch(const std::vector<std::string>& args) {
  if (args.empty()) return Usage("missing export or import");
  std::vector<std::string> positional;
  ImportOptions o;
  bool all = false;
  std::vector<std::string> patches;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--all" && args[0] == "export") {
      all = true;
    } else if (a == "--patch" && args[0] == "export" && i + 1 < args.size()) {
      patches.push_back(args[++i]);
    } else if (a == "--archive" && args[0] == "import") {
      o.archive = true;
    } else if (a == "--replace" && args[0] == "import") {
      o.replace = true;
    } else if (a == "--wrap" && args[0] == "import" && i + 1 < args.size()) {
      const std::string& mode = args[++i];
      if (mode != "words" && mode != "chars") return Usage("--wrap takes words or chars");
      o.wrap_words = mode == "words";
    } else if (!a.empty() && a[0] == '-') {
      return Usage("unknown option '" + a + "'");
    } else {
      positional.push_back(a);
    }
  }
  if (args[0] == "export") {
    if (positional.size() != 2) return Usage("export takes GAME OUT.po");
    patches.push_back(positional[0]);
    return Export(patches, positional[1], all);
  }
  if (args[0] == "import") {
    if (positional.size() != 3) return Usage("import takes GAME IN.po OUT");
    o.game = positional[0];
    o.po = positional[1];
    o.out = positional[2];
    return Import(o);
  }
  return Usage("unknown subcommand '" + args[0] + "'");
}

}  // namespace

std::string TextUsage() {
  return "  vesk-tool text export GAME OUT.po [--all] [--patch PATCH]\n"
         "  vesk-tool text import GAME IN.po OUT [--archive] [--replace] [--wrap words|chars]\n";
}

int RunTextCommand(const std::vector<std::string>& args) {
  try {
    return Dispatch(args);
  } catch (const Failure& f) {
    std::cerr << "vesk-tool: " << f.what << '\n';
  } catch (const std::exception& e) {
    std::cerr << "vesk-tool: " << e.what() << '\n';
  }
  return 1;
}

}  // namespace vesk::tool
