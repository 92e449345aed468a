// "vesk-tool save": the saved games and the status data of a save file. Each
// entry is loaded into the same owners the player loads it into (a scene
// root with the component kinds, a message history, a call manager, a
// variable table), so what the tool shows is what a load would give, and a
// section that would make a load fail fails here with its offset.
#include "vesk-tool/save_command.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>

#include "app/save_sections.h"
#include "app/var_dump.h"
#include "components/component_services.h"
#include "components/kinds.h"
#include "components/message_history.h"
#include "components/orlo_collection.h"
#include "core/byte_reader.h"
#include "core/messages.h"
#include "core/runtime_context.h"
#include "core/sjis.h"
#include "core/vesk_error.h"
#include "db/db_manager.h"
#include "expr/param_collection.h"
#include "lang/vocabulary.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "scene/baselist.h"
#include "scene/kind_registry.h"
#include "script/callman.h"
#include "script/pages.h"
#include "script/save_data.h"
#include "script/save_file.h"
#include "storage/vrfiles.h"

namespace vesk::tool {
namespace {

using script::TSaveFile;
using Lines = std::vector<std::string>;

// Ends the command: printed as "vesk-tool: FILE: WHAT", exit status 1.
struct Failure {
  std::string file, what;
};
// Exit status 2: the command line makes no sense (the usage follows), or the
// save file it names is not there.
struct UsageFailure {
  std::string what;
};
struct MissingFile {
  std::string file;
};

struct ShowOptions {
  std::string file;
  std::optional<int32_t> slot;  // neither slot nor status: every entry
  bool status = false;
  std::string game_dir;  // where the call manager finds its pages
};

// Names and texts out of a save file as they may be shown on a terminal:
// the control characters of a hostile name could move the cursor or worse.
std::string Printable(std::string text) {
  for (char& c : text)
    if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F) c = '?';
  return text;
}

std::string Quoted(const std::string& cp932) {
  return "\"" + Printable(platform::Cp932ToUtf8(cp932)) + "\"";
}

std::string Plural(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// ------------------------------------------------------------- the file ---

TSaveFile ReadSave(const std::string& path) {
  if (platform::DirectoryExists(path)) throw Failure{path, "is a folder, not a save file"};
  if (!platform::FileExists(path)) throw MissingFile{path};
  TSaveFile file = TSaveFile::Read(path);
  if (file.damaged()) {
    // Archive errors usually start with the file they concern already.
    const std::string& problem = file.problem();
    std::cerr << "vesk-tool: " << (problem.rfind(path + ":", 0) == 0 ? "" : path + ": ")
              << Printable(problem) << " (what can still be read is shown)\n";
  }
  return file;
}

struct GameEntry {
  int32_t slot = 0;
  const TSaveFile::Entry* entry = nullptr;
};

std::vector<GameEntry> GamesBySlot(const TSaveFile& file) {
  std::vector<GameEntry> games;
  for (const TSaveFile::Entry& e : file.entries()) {
    int32_t slot = 0;
    if (script::ParseGameEntryName(e.first, &slot)) games.push_back({slot, &e});
  }
  std::stable_sort(games.begin(), games.end(),
                   [](const GameEntry& a, const GameEntry& b) { return a.slot < b.slot; });
  return games;
}

bool IsStatusEntry(const TSaveFile::Entry& e) {
  return EqualsIgnoreAsciiCase(e.first, script::kStatusEntryName);
}

const TSaveFile::Entry* StatusEntry(const TSaveFile& file) {
  for (const TSaveFile::Entry& e : file.entries())
    if (IsStatusEntry(e)) return &e;
  return nullptr;
}

// Entries that are neither saved games nor the status data: the player
// never reads them.
std::vector<const TSaveFile::Entry*> OtherEntries(const TSaveFile& file) {
  std::vector<const TSaveFile::Entry*> others;
  int32_t slot = 0;
  for (const TSaveFile::Entry& e : file.entries())
    if (!IsStatusEntry(e) && !script::ParseGameEntryName(e.first, &slot)) others.push_back(&e);
  return others;
}

// The bytes ReadSaveHead took.
size_t HeadBytes(const script::SaveHead& head) {
  size_t n = 4 + 4 + head.caption.size();
  if (head.version >= script::kOldestLoadableSave) n += 4 + head.jump_page.size() + 4;
  return n;
}

std::string JumpText(const script::SaveHead& head) {
  if (head.jump_page.empty()) return "";
  return ", jump to " + Quoted(head.jump_page) + " at " + std::to_string(head.jump_index);
}

std::string StatusVersionText(const std::vector<uint8_t>& entry, int32_t* version) {
  size_t header = 0;
  *version = script::ReadStatusHeader(entry, &header);
  return "version " + std::to_string(*version) + (header ? "" : " (no \"Status\" header)");
}

// ----------------------------------------------------------------- list ---

int List(const std::string& path) {
  const TSaveFile file = ReadSave(path);
  bool bad = file.damaged();
  for (const GameEntry& g : GamesBySlot(file)) {
    const std::vector<uint8_t>& bytes = g.entry->second;
    std::cout << "slot " << g.slot << ": ";
    try {
      const script::SaveHead head = script::ReadSaveHead(bytes);
      std::cout << "version " << head.version << ", " << bytes.size() << " bytes, "
                << Quoted(head.caption) << JumpText(head);
      if (head.version < script::kOldestLoadableSave) std::cout << " (too old to be loaded)";
    } catch (const std::exception& e) {
      std::cout << bytes.size() << " bytes, head unreadable: " << Printable(ErrorTextUtf8(e));
      bad = true;
    }
    if (!EqualsIgnoreAsciiCase(g.entry->first, script::GameEntryName(g.slot)))
      std::cout << " (entry " << Quoted(g.entry->first) << ", which the player never loads)";
    std::cout << '\n';
  }
  if (const TSaveFile::Entry* status = StatusEntry(file)) {
    int32_t version = 0;
    std::cout << "status: " << StatusVersionText(status->second, &version) << ", "
              << status->second.size() << " bytes\n";
  } else {
    std::cout << "status: none\n";
  }
  for (const TSaveFile::Entry* e : OtherEntries(file))
    std::cout << "other entry " << Quoted(e->first) << ": " << e->second.size() << " bytes\n";
  return bad ? 1 : 0;
}

// ------------------------------------------------------- scratch owners ---

// The owners one entry is loaded into: the player's own classes, with no
// window, no pictures and no fonts. A fresh set per entry, so nothing of
// one entry shows in the next. The call manager reads the pages it stands
// in from the game's folder, as the player does: a command in progress
// keeps a state whose length only its page knows.
class Scratch {
 public:
  explicit Scratch(const std::string& game_dir) {
    if (!game_dir.empty()) {
      files.AddFolder(game_dir);
      const std::string archive = platform::JoinPath(game_dir, "game.dat");
      if (platform::FileExists(archive)) files.AddArchive(archive);
    }
    services.variables = &variables;
    services.history = &history;
    services.read_marks = &read_marks;
    auto kinds = std::make_shared<scene::KindRegistry>();
    components::RegisterComponentKinds(*kinds, services);
    scene::SceneEnvironment env;
    env.kinds = kinds;
    scene = std::make_unique<scene::TVeskBaseList>(std::move(env));
    script::CallEnvironment calls_env;
    calls_env.ctx = &ctx;
    calls_env.files = &files;
    calls_env.variables = &variables;
    calls_env.events = &scene->Events;
    calls = std::make_unique<script::TCallMan>(std::move(calls_env));
  }

  RuntimeContext ctx;
  storage::TVrFileManager files;
  expr::TParamCollection variables;
  components::TVeskNewHistory history{nullptr, nullptr, nullptr};
  components::TVeskReadList read_marks;
  components::TOrloCollection pictures;  // only its dither switch is read
  components::ComponentServices services;
  // Last, so they go first: their objects point into the owners above.
  std::unique_ptr<scene::TVeskBaseList> scene;
  std::unique_ptr<script::TCallMan> calls;
};

// ------------------------------------------------------ what is printed ---

std::string KindName(int kind) {
  const auto kinds = lang::ComponentKinds();
  if (kind > 0 && kind < static_cast<int>(kinds.size()) && kinds[static_cast<size_t>(kind)].name)
    return kinds[static_cast<size_t>(kind)].name;
  return "kind " + std::to_string(kind);
}

std::string ParentText(scene::TVeskBaseList& root, const scene::TVeskControl* parent) {
  if (!parent) return "none";
  for (int i = 0; i < 2; ++i)
    if (parent == root.GetBaseAt(i)) return "base " + std::to_string(i);
  return Quoted(parent->Name);
}

std::string ObjectLine(scene::TVeskBaseList& root, const scene::TVeskObject& o) {
  std::string line = Quoted(o.Name) + " " + KindName(o.GetCompoType());
  if (const scene::TVeskControl* c = o.AsControl())
    line += ", parent " + ParentText(root, c->Parent) + ", at " + std::to_string(c->Left) + "," +
            std::to_string(c->Top) + " size " + std::to_string(c->Width) + "x" +
            std::to_string(c->Height) + (c->Visible ? "" : ", hidden");
  return line;
}

Lines SceneLines(scene::TVeskBaseList& root) {
  const scene::TVeskControl* focus = root.Focus();
  Lines lines{std::to_string(root.SceneWidth()) + "x" + std::to_string(root.SceneHeight()) +
              ", base " + std::to_string(root.ShownBaseIndex()) + " shown, " +
              Plural(static_cast<size_t>(root.ObjectCount()), "object", "objects") + ", " +
              Plural(root.Events.Count(), "event", "events") + " queued, " +
              (focus ? "focus " + Quoted(focus->Name) : std::string("no focus"))};
  for (int32_t i = 0; i < root.ObjectCount(); ++i)
    lines.push_back(ObjectLine(root, *root.GetObject(i)));
  for (const script::TTimerData& e : root.Events)
    lines.push_back("event " + std::to_string(e.EventId) + " of " +
                    (e.Object.empty() ? std::string("no object") : Quoted(e.Object)) + ": " +
                    Quoted(e.Handler) +
                    (e.RunningDepth ? ", running at level " + std::to_string(e.RunningDepth)
                                    : std::string(", waiting")));
  return lines;
}

Lines HistoryLines(const components::TVeskNewHistory& h) {
  std::string line = Plural(static_cast<size_t>(h.Count()), "entry", "entries") + ", ";
  if (h.HasFormat()) {
    const text::TTpWord& w = h.word();
    line += "format: font " + std::to_string(w.FontHeight) + ", border " +
            std::to_string(w.BorderWidth) + ", shadow " + std::to_string(w.ShadowWidth) +
            ", page " + std::to_string(w.PageWidth) + "x" + std::to_string(w.PageHeight) +
            ", line space " + std::to_string(w.LineSpace);
  } else {
    line += "no format in force (entries in the old form)";
  }
  line += h.MaxCount > 0 ? ", at most " + std::to_string(h.MaxCount) : ", no limit";
  Lines lines{line};
  if (h.pending.set)
    lines.push_back("pending: window " + Quoted(h.pending.window) + ", file " +
                    Quoted(h.pending.File) + " command " + std::to_string(h.pending.CommandIndex));
  return lines;
}

std::string EventStateText(script::TCallMan::EventState state) {
  switch (state) {
    case script::TCallMan::kOrdinaryCode:
      return "ordinary code";
    case script::TCallMan::kHandlerRuns:
      return "a handler runs";
    case script::TCallMan::kHandlerYielded:
      return "a handler has yielded";
    case script::TCallMan::kNestedRuns:
      return "a nested handler runs";
  }
  return "state " + std::to_string(static_cast<int32_t>(state)) + " (taken as a nested handler)";
}

std::string TypeName(int type) {
  switch (type) {
    case lang::PT_INT:
      return "int";
    case lang::PT_FLOAT:
      return "float";
    case lang::PT_BOOL:
      return "bool";
    case lang::PT_STR:
      return "str";
    default:
      return "none";
  }
}

std::string FrameLine(size_t number, const script::TStack& f) {
  std::string line = "frame " + std::to_string(number) + ": " +
                     (f.PageName.empty() ? std::string("no page") : Quoted(f.PageName)) +
                     " returns to " + std::to_string(f.ReturnIndex);
  if (f.Started) line += " (command in progress)";
  if (f.RunOn) line += ", run-on";
  if (!f.Sender.empty()) line += ", sender " + Quoted(f.Sender);
  line += ", " + Plural(f.Args.size(), "argument", "arguments");
  if (f.SavedState)
    line += ", command state " + Plural(f.SavedState->bytes().size(), "byte", "bytes");
  if (f.Result) line += ", result " + TypeName(f.Result->ParamType());
  return line;
}

Lines CallLines(const script::TCallMan& calls) {
  std::string line = calls.CurPage ? "page " + Quoted(calls.CurPage->Name) + " index " +
                                         std::to_string(calls.CurIndex)
                                   : std::string("no current page");
  if (calls.Started) line += " (command in progress)";
  if (calls.RunOnFlag) line += ", run-on";
  line += ", " + EventStateText(calls.State);
  if (!calls.Sender.empty()) line += ", sender " + Quoted(calls.Sender);
  line += ", event level " + std::to_string(calls.Level) + ", " +
          Plural(calls.Args.size(), "argument", "arguments") + ", " +
          Plural(calls.Stack.size(), "frame", "frames");
  Lines lines{line};
  for (size_t i = 0; i < calls.Stack.size(); ++i) lines.push_back(FrameLine(i + 1, calls.Stack[i]));
  return lines;
}

// At most this many values, each cut to this many bytes, in a preview.
constexpr size_t kPreviewValues = 4;
constexpr size_t kPreviewValueBytes = 40;

std::string ShortValue(const std::string& json) {
  if (json.size() <= kPreviewValueBytes) return json;
  size_t cut = kPreviewValueBytes;
  while (cut > 0 && (static_cast<uint8_t>(json[cut]) & 0xC0) == 0x80) --cut;  // whole characters
  return json.substr(0, cut) + "...";
}

std::string VariableLine(const app::DumpedVariable& v) {
  std::string line = Printable(platform::Cp932ToUtf8(v.name_cp932)) + ": " + TypeName(v.type);
  if (!v.dims.empty()) {
    line += "[";
    for (size_t d = 0; d < v.dims.size(); ++d) line += (d ? "," : "") + std::to_string(v.dims[d]);
    line += "]";
  }
  if (!v.values_json.empty()) {
    line += " =";
    for (size_t k = 0; k < v.values_json.size() && k < kPreviewValues; ++k)
      line += (k ? ", " : " ") + ShortValue(v.values_json[k]);
    if (v.values_json.size() > kPreviewValues)
      line += ", ... (" + std::to_string(v.values_json.size()) + " values)";
  }
  if (v.local)
    line += " (local, scope " + std::to_string(v.scope) + ")";
  else if (v.scope >= 0)
    line += " (scope " + std::to_string(v.scope) + ")";
  return line;
}

Lines VariableLines(const expr::TParamCollection& table, bool game) {
  const std::vector<app::DumpedVariable> vars = app::CollectVariables(table);
  std::string line = Plural(vars.size(), "variable", "variables");
  if (game)
    line += ", text delay " + std::to_string(table.TextDelay) +
            (table.CursorFile.empty() ? "" : ", cursor " + Quoted(table.CursorFile));
  Lines lines{line};
  for (const app::DumpedVariable& v : vars) lines.push_back(VariableLine(v));
  return lines;
}

Lines ReadMarkLines(const components::TVeskReadList& marks) {
  const auto files = marks.MarkCountsByFile();
  std::string line = Plural(files.size(), "file", "files") + ", " +
                     Plural(marks.MarkCount(), "mark", "marks") + ", ";
  const components::TVeskReadList::Pending& p = marks.pending();
  if (p.File.empty())
    line += "no pending mark";
  else
    line += "pending: " + Quoted(p.File) + " command " + std::to_string(p.CommandIndex) + " page " +
            std::to_string(p.PageIndex) + " in window " + Quoted(p.window);
  Lines lines{line};
  for (const auto& [file, count] : files)
    lines.push_back(Quoted(file) + ": " + Plural(count, "mark", "marks"));
  return lines;
}

// The tables of one status: name, fields, records, the current record.
Lines TableLines(const db::TDBManager& tables) {
  static const char* const kTypes[] = {"?", "int", "float", "bool", "str"};
  Lines lines{Plural(static_cast<size_t>(tables.TableCount()), "table", "tables") +
              (tables.ActiveTable() ? ", active " + Quoted(tables.ActiveTable()->Name) : "")};
  for (int32_t i = 0; i < tables.TableCount(); ++i) {
    const db::TDBTable& t = *tables.TableAt(i);
    std::string fields;
    for (int32_t f = 0; f < t.Fields().Count(); ++f) {
      const db::TDBField& field = t.Fields().Field(f);
      if (f > 0) fields += ", ";
      fields += Printable(platform::Cp932ToUtf8(field.Name)) + " " +
                kTypes[field.FieldType <= 4 ? field.FieldType : 0];
      if (field.FieldType == 4) fields += "(" + std::to_string(field.Size - 1) + ")";
    }
    lines.push_back(Quoted(t.Name) + ": " +
                    Plural(static_cast<size_t>(t.RecordCount()), "record", "records") +
                    ", current " + std::to_string(t.RecNo()) + "; " +
                    (fields.empty() ? std::string("no fields") : fields));
  }
  return lines;
}

// ---------------------------------------------------------------- show ---

// Reads an entry section by section, printing each with its offset and
// size within the entry. The first section that cannot be read ends the
// entry: what follows it cannot be found.
class EntryReader {
 public:
  EntryReader(const std::string& path, const TSaveFile::Entry& entry)
      : path_(path), name_(entry.first), in_(entry.second.data(), entry.second.size()) {}

  bool Section(const std::string& name, const std::function<void(ByteReader&)>& load,
               const std::function<Lines()>& describe) {
    const size_t start = in_.position();
    try {
      load(in_);
    } catch (const std::exception& e) {
      const std::string error = Printable(ErrorTextUtf8(e));
      std::cout << "  " << name << " (at " << start << "): cannot be read: " << error
                << "; the rest of the entry is not shown\n";
      std::cerr << "vesk-tool: " << path_ << ": " << Printable(platform::Cp932ToUtf8(name_)) << ": "
                << name << " at offset " << start << ": " << error << '\n';
      return false;
    }
    const Lines lines = describe();
    std::cout << "  " << name << " (at " << start << ", "
              << Plural(in_.position() - start, "byte", "bytes") << ")";
    if (!lines.empty()) std::cout << ": " << lines[0];
    std::cout << '\n';
    for (size_t i = 1; i < lines.size(); ++i) std::cout << "    " << lines[i] << '\n';
    return true;
  }

  // Bytes after the last section a version has.
  void Trailing() {
    if (in_.remaining())
      std::cout << "  " << Plural(in_.remaining(), "byte", "bytes") << " after the last section ("
                << "at " << in_.position() << "), which a load leaves alone\n";
  }

 private:
  std::string path_, name_;
  ByteReader in_;
};

Lines HeadLines(const script::SaveHead& head) {
  std::string line = "version " + std::to_string(head.version) + ", caption " +
                     Quoted(head.caption) +
                     (head.jump_page.empty() ? ", no jump page" : JumpText(head));
  if (head.version > script::kGameSaveVersion)
    line += " (newer than the " + std::to_string(script::kGameSaveVersion) + " this build writes)";
  return Lines{line};
}

// The pages are needed only for the command in progress; say where they
// were looked for when one is missing.
void LoadCalls(Scratch& s, ByteReader& in, int32_t version, const std::string& game_dir) {
  try {
    s.calls->LoadFromStream(in, version);
  } catch (const EVeskError& e) {
    throw std::runtime_error(ErrorTextUtf8(e) + " (pages are read from " +
                             (game_dir.empty() ? std::string("nowhere") : game_dir) +
                             "; --game DIR names the game's folder)");
  }
}

bool ShowGame(const std::string& path, const TSaveFile::Entry& entry, int32_t slot,
              const std::string& game_dir) {
  std::cout << Printable(platform::Cp932ToUtf8(entry.first)) << " (slot " << slot
            << "): " << Plural(entry.second.size(), "byte", "bytes") << '\n';
  Scratch s(game_dir);
  EntryReader r(path, entry);
  script::SaveHead head;
  const bool head_read = r.Section(
      "head",
      [&](ByteReader& in) {
        head = script::ReadSaveHead(entry.second);
        in.Skip(HeadBytes(head), "save head");
      },
      [&] { return HeadLines(head); });
  if (!head_read) return false;
  const int32_t v = head.version;
  if (v < script::kOldestLoadableSave) {
    std::cout << "  the player loads no save older than version " << script::kOldestLoadableSave
              << "; the sections are not read\n";
    return false;
  }
  app::SceneSection scene(*s.scene);
  app::HistorySection history(s.history);
  const bool ok = r.Section(
                      "scene", [&](ByteReader& in) { scene.LoadSection(in, v); },
                      [&] { return SceneLines(*s.scene); }) &&
                  r.Section(
                      "history", [&](ByteReader& in) { history.LoadSection(in, v); },
                      [&] { return HistoryLines(s.history); }) &&
                  r.Section(
                      "calls", [&](ByteReader& in) { LoadCalls(s, in, v, game_dir); },
                      [&] { return CallLines(*s.calls); }) &&
                  r.Section(
                      "variables", [&](ByteReader& in) { s.variables.LoadFromStream(in, v); },
                      [&] { return VariableLines(s.variables, true); });
  if (!ok) return false;
  db::TDBManager tables;
  if (v >= script::kFirstGameSaveWithTables &&
      !r.Section(
          "tables", [&](ByteReader& in) { tables.LoadFromStream(in, 0); },
          [&] { return TableLines(tables); }))
    return false;
  r.Trailing();
  return true;
}

bool ShowStatus(const std::string& path, const TSaveFile::Entry& entry) {
  std::cout << Printable(platform::Cp932ToUtf8(entry.first))
            << " (status data): " << Plural(entry.second.size(), "byte", "bytes") << '\n';
  Scratch s({});
  EntryReader r(path, entry);
  size_t header = 0;
  const int32_t v = script::ReadStatusHeader(entry.second, &header);
  r.Section(
      "header", [&](ByteReader& in) { in.Skip(header, "status header"); },
      [&] {
        return Lines{header ? "version " + std::to_string(v)
                            : std::string("none: version 0, the sections start at once")};
      });
  app::ReadMarksSection marks(s.read_marks);
  app::DitherSection dither(s.pictures);
  if (!r.Section(
          "variables", [&](ByteReader& in) { s.variables.LoadStatus(in, v); },
          [&] { return VariableLines(s.variables, false); }))
    return false;
  if (v >= script::kFirstStatusWithReadMarks &&
      !r.Section(
          "read marks", [&](ByteReader& in) { marks.LoadSection(in, v); },
          [&] { return ReadMarkLines(s.read_marks); }))
    return false;
  if (v >= script::kFirstStatusWithDither &&
      !r.Section(
          "dither", [&](ByteReader& in) { dither.LoadSection(in, v); },
          [&] { return Lines{s.pictures.Dither() ? "on" : "off"}; }))
    return false;
  db::TDBManager tables;
  if (v >= script::kFirstStatusWithTables &&
      !r.Section(
          "tables", [&](ByteReader& in) { tables.LoadFromStream(in, 1); },
          [&] { return TableLines(tables); }))
    return false;
  r.Trailing();
  return true;
}

bool ShowOther(const TSaveFile::Entry& entry) {
  std::cout << Printable(platform::Cp932ToUtf8(entry.first)) << ": "
            << Plural(entry.second.size(), "byte", "bytes") << ", not an entry the player reads\n";
  return true;
}

// The folder the pages come from: --game, else the save file's own folder
// (where the player keeps it unless that folder is read-only).
std::string GameDirFor(const ShowOptions& o) {
  if (!o.game_dir.empty()) {
    if (!platform::DirectoryExists(o.game_dir)) throw Failure{o.game_dir, "no such folder"};
    return o.game_dir;
  }
  const size_t slash = o.file.rfind('/');
  return slash == std::string::npos ? std::string(".") : o.file.substr(0, slash + (slash == 0));
}

bool ShowOne(const ShowOptions& o, const TSaveFile& file, const std::string& game_dir) {
  if (o.status) {
    const TSaveFile::Entry* status = StatusEntry(file);
    if (!status) throw Failure{o.file, "holds no status data"};
    return ShowStatus(o.file, *status);
  }
  // The entry the player would load for this slot.
  const std::string name = script::GameEntryName(*o.slot);
  for (const TSaveFile::Entry& e : file.entries())
    if (EqualsIgnoreAsciiCase(e.first, name)) return ShowGame(o.file, e, *o.slot, game_dir);
  throw Failure{o.file, "no saved game in slot " + std::to_string(*o.slot)};
}

int Show(const ShowOptions& o) {
  const TSaveFile file = ReadSave(o.file);
  const std::string game_dir = GameDirFor(o);
  if (o.slot || o.status) return ShowOne(o, file, game_dir) && !file.damaged() ? 0 : 1;
  bool ok = !file.damaged();
  bool first = true;
  auto next = [&first] {
    if (!first) std::cout << '\n';
    first = false;
  };
  for (const GameEntry& g : GamesBySlot(file)) {
    next();
    ok = ShowGame(o.file, *g.entry, g.slot, game_dir) && ok;
  }
  if (const TSaveFile::Entry* status = StatusEntry(file)) {
    next();
    ok = ShowStatus(o.file, *status) && ok;
  }
  for (const TSaveFile::Entry* e : OtherEntries(file)) {
    next();
    ShowOther(*e);
  }
  if (first) std::cout << o.file << ": no entries\n";
  return ok ? 0 : 1;
}

ShowOptions ParseShow(const std::vector<std::string>& args) {
  ShowOptions o;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--game" && i + 1 < args.size())
      o.game_dir = args[++i];
    else if (args[i].rfind("--", 0) == 0)
      throw UsageFailure{"unknown option '" + args[i] + "' for save show"};
    else
      positional.push_back(args[i]);
  }
  if (positional.empty() || positional.size() > 2)
    throw UsageFailure{"save show wants FILE and at most one SLOT or 'status'"};
  o.file = positional[0];
  if (positional.size() < 2) return o;
  const std::string& which = positional[1];
  if (which == "status") {
    o.status = true;
    return o;
  }
  int32_t slot = 0;
  const auto [end, ec] = std::from_chars(which.data(), which.data() + which.size(), slot);
  if (ec != std::errc() || end != which.data() + which.size())
    throw UsageFailure{"save show wants a slot number or 'status', not '" + which + "'"};
  o.slot = slot;
  return o;
}

int Dispatch(const std::vector<std::string>& args) {
  if (args.empty()) throw UsageFailure{"save wants a subcommand"};
  const std::string& sub = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (sub == "--help" || sub == "-h") {
    std::cout << SaveUsage();
    return 0;
  }
  if (sub == "list") {
    if (rest.size() != 1 || rest[0].rfind("--", 0) == 0) throw UsageFailure{"save list wants FILE"};
    return List(rest[0]);
  }
  if (sub == "show") return Show(ParseShow(rest));
  throw UsageFailure{"unknown save subcommand '" + sub + "'"};
}

}  // namespace

std::string SaveUsage() {
  return "  vesk-tool save list FILE\n"
         "      the saved games (slot, version, caption, jump page, size) and the status data\n"
         "  vesk-tool save show FILE [SLOT|status] [--game DIR]\n"
         "      every section of the entries, with offsets; pages are read from DIR\n"
         "      (default: the save file's folder)\n";
}

int RunSaveCommand(const std::vector<std::string>& args) {
  try {
    return Dispatch(args);
  } catch (const UsageFailure& u) {
    std::cerr << "vesk-tool: " << u.what << "\nusage:\n" << SaveUsage();
    return 2;
  } catch (const MissingFile& m) {
    std::cerr << "vesk-tool: " << m.file << ": no such file\n";
    return 2;
  } catch (const Failure& f) {
    std::cerr << "vesk-tool: " << f.file << ": " << f.what << '\n';
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "vesk-tool: " << Printable(ErrorTextUtf8(e)) << '\n';
    return 1;
  }
}

}  // namespace vesk::tool
