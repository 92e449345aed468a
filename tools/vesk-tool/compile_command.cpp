// "vesk-tool compile" / "decompile": the driver around the script compiler.
#include "vesk-tool/compile_command.h"

#include <algorithm>
#include <iostream>
#include <map>
#include <string_view>

#include "core/byte_reader.h"
#include "core/sjis.h"
#include "lang/vocabulary.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "script/pages.h"
#include "storage/hash.h"
#include "vesk-tool/archive_command.h"
#include "vesk-tool/script/page_compiler.h"
#include "vesk-tool/script/page_decompiler.h"
#include "vesk-tool/script/project_source.h"
#include "vesk-tool/script/variable_names.h"

namespace vesk::tool {
namespace {

using script::CompiledPage;
using script::CompileError;
using script::CompileWarning;

constexpr const char* kProjectSource = "project.vproj";
constexpr const char* kProjectFile = "vesk.lpb";

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void ReportError(const std::string& file, const CompileError& e) {
  std::cerr << file << ":" << e.line() << ":" << e.column() << ": " << e.what() << '\n';
}

// Warnings are kept until every source has compiled, then printed in file
// order.
struct Warning {
  std::string file;
  CompileWarning at;
};

void ReportWarning(const Warning& w) {
  std::cerr << w.file << ":" << w.at.line << ":" << w.at.column << ": warning: " << w.at.what
            << '\n';
}

struct Source {
  std::string file;       // name in SRC-DIR (UTF-8)
  std::string page_name;  // CP932, "name.lsb"
  std::string text;
};

// Variable types the sources declare, for the compiler's typing help. A name
// declared with two types is left unknown.
class DeclaredTypes {
 public:
  void Add(const std::string& name, int type) {
    auto [it, inserted] = types_.emplace(name, type);
    if (!inserted && it->second != type) it->second = 0;
  }
  void AddPage(const vesk::script::TPage& page) {
    for (const auto& c : page.Commands)
      if (c->ComType() == lang::CMD_VarNew) {
        const auto& v = static_cast<const vesk::script::TComVarNew&>(*c);
        Add(v.VarName, v.TypeCode);
      }
  }
  int Find(std::string_view name) const {
    auto it = types_.find(std::string(name));
    return it == types_.end() ? 0 : it->second;
  }

 private:
  std::map<std::string, int> types_;
};

// Compiles every source with `context`; false when any failed (reported).
bool CompileAll(const std::vector<Source>& sources, const script::ExprContext& context,
                std::vector<CompiledPage>& pages, bool progress) {
  bool ok = true;
  pages.clear();
  for (size_t i = 0; i < sources.size(); ++i) {
    if (progress)
      std::cerr << "[" << i + 1 << "/" << sources.size() << "] " << sources[i].file << '\n';
    try {
      CompiledPage p = script::CompilePage(sources[i].text, sources[i].page_name, context);
      p.source_name = sources[i].file;
      pages.push_back(std::move(p));
    } catch (const CompileError& e) {
      ReportError(sources[i].file, e);
      ok = false;
    }
  }
  return ok;
}

bool WriteOut(const std::string& path, const std::vector<uint8_t>& bytes) {
  if (platform::WriteFileAtomic(path, bytes.data(), bytes.size())) return true;
  std::cerr << "vesk-tool: " << path << ": cannot write\n";
  return false;
}

// Names used but declared by no VarNew and no status line: at run time
// each such use fails without a word. One warning per name and file.
void UndeclaredNames(const std::vector<Source>& sources, const std::vector<CompiledPage>& pages,
                     const std::optional<script::ProjectSource>& project,
                     std::vector<Warning>& out) {
  script::DeclaredVariables declared;
  if (project)
    for (const auto& d : project->project.status) declared.Declare(d.name);
  for (const CompiledPage& p : pages)
    for (const script::NameUse& d : p.names_declared) declared.Declare(d.name);
  for (size_t i = 0; i < pages.size(); ++i) {
    std::vector<std::string> warned;
    for (const script::NameUse& use : pages[i].names_used) {
      const auto same = [&use](const std::string& w) {
        return storage::THashCollection::SameName(w, use.name);
      };
      if (declared.Has(use.name) || std::any_of(warned.begin(), warned.end(), same)) continue;
      warned.push_back(use.name);
      out.push_back({sources[i].file,
                     {use.line, use.column,
                      "'" + platform::Cp932ToUtf8(use.name) +
                          "' is not declared by any VarNew or status line"}});
    }
  }
}

// The game cannot start without its start page.
void MissingStartPage(const script::ProjectSource& project, const std::vector<Source>& sources,
                      std::vector<Warning>& out) {
  const std::string& start = project.project.info.start_page;
  for (const Source& s : sources)
    if (storage::THashCollection::SameName(s.page_name, start)) return;
  const bool given = project.start_line > 0;
  out.push_back({kProjectSource,
                 {given ? project.start_line : 1, given ? project.start_column : 1,
                  std::string(given ? "the start page '" : "the default start page '") +
                      platform::Cp932ToUtf8(start) + "' is not among the compiled scripts"}});
}

int Compile(const std::string& src_dir, const std::string& out_dir, const std::string& archive,
            bool werror) {
  const auto names = platform::ListDirectory(src_dir);
  if (!names) {
    std::cerr << "vesk-tool: " << src_dir << ": cannot read the folder\n";
    return 1;
  }
  std::vector<std::string> files(*names);
  std::sort(files.begin(), files.end());
  std::vector<Source> sources;
  std::optional<std::vector<uint8_t>> project_text;
  for (const std::string& f : files) {
    const std::string path = platform::JoinPath(src_dir, f);
    if (f == kProjectSource) project_text = platform::ReadWholeFile(path);
    if (!EndsWithIgnoreAsciiCase(f, ".vsc")) continue;
    const auto bytes = platform::ReadWholeFile(path);
    if (!bytes) {
      std::cerr << "vesk-tool: " << path << ": cannot read\n";
      return 1;
    }
    const std::string stem = f.substr(0, f.size() - 4);
    if (!platform::IsCp932Representable(stem)) {
      std::cerr << "vesk-tool: " << f << ": the name has a character without a Shift-JIS form\n";
      return 1;
    }
    sources.push_back(
        {f, platform::Utf8ToCp932(stem) + ".lsb", std::string(bytes->begin(), bytes->end())});
  }

  DeclaredTypes types;
  std::optional<script::ProjectSource> project;
  std::vector<Warning> warnings;
  if (project_text) {
    try {
      project =
          script::CompileProjectSource(std::string(project_text->begin(), project_text->end()));
      for (const auto& d : project->project.status) types.Add(d.name, d.type);
      for (const CompileWarning& w : project->warnings) warnings.push_back({kProjectSource, w});
    } catch (const CompileError& e) {
      ReportError(kProjectSource, e);
      return 1;
    }
  }
  // The first pass learns the declared variable types; the second compiles
  // with them.
  std::vector<CompiledPage> pages;
  if (!CompileAll(sources, {}, pages, false)) return 1;
  for (const CompiledPage& p : pages) types.AddPage(*p.page);
  script::ExprContext context;
  context.variable_type = [&types](std::string_view name) { return types.Find(name); };
  if (!CompileAll(sources, context, pages, true)) return 1;
  std::string failed;
  try {
    script::ResolveTargets(pages, &failed);
  } catch (const CompileError& e) {
    ReportError(failed, e);
    return 1;
  }
  for (size_t i = 0; i < pages.size(); ++i)
    for (const CompileWarning& w : pages[i].warnings) warnings.push_back({sources[i].file, w});
  if (project) MissingStartPage(*project, sources, warnings);
  UndeclaredNames(sources, pages, project, warnings);
  for (const Warning& w : warnings) ReportWarning(w);
  if (werror && !warnings.empty()) {
    std::cerr << "vesk-tool: " << warnings.size()
              << " warning(s) treated as errors (--werror); nothing written\n";
    return 1;
  }

  if (!platform::DirectoryExists(out_dir) && !platform::MakeDirectories(out_dir)) {
    std::cerr << "vesk-tool: " << out_dir << ": cannot create the folder\n";
    return 1;
  }
  for (size_t i = 0; i < pages.size(); ++i) {
    const std::string& f = sources[i].file;
    if (!WriteOut(platform::JoinPath(out_dir, f.substr(0, f.size() - 4) + ".lsb"),
                  script::PageBytes(*pages[i].page)))
      return 1;
  }
  if (project && !WriteOut(platform::JoinPath(out_dir, kProjectFile),
                           vesk::script::WriteProjectFile(project->project)))
    return 1;
  std::cerr << "compiled " << pages.size() << " page(s)" << (project ? " and the project" : "")
            << " into " << out_dir << '\n';
  if (!archive.empty()) return RunArchiveCommand({"pack", out_dir, archive});
  return 0;
}

int Decompile(const std::string& path) {
  const auto bytes = platform::ReadWholeFile(path);
  if (!bytes) {
    std::cerr << "vesk-tool: " << path << ": cannot read\n";
    return 1;
  }
  try {
    if (EndsWithIgnoreAsciiCase(path, ".lpb")) {
      std::cout << script::DecompileProjectFile(*bytes);
    } else {
      std::cout << script::DecompilePage(*bytes, platform::Utf8ToCp932(BaseName(path)));
    }
  } catch (const std::exception& e) {
    std::cerr << "vesk-tool: " << path << ": " << e.what() << '\n';
    return 1;
  }
  return 0;
}

}  // namespace

std::string CompileUsage() {
  return "  vesk-tool compile SRC-DIR OUT-DIR [--archive OUT.dat] [--werror]\n"
         "  vesk-tool decompile FILE.lsb|vesk.lpb\n";
}

int RunCompileCommand(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  std::string archive;
  bool werror = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--archive" && i + 1 < args.size()) {
      archive = args[++i];
    } else if (args[i] == "--werror") {
      werror = true;
    } else if (!args[i].empty() && args[i][0] == '-') {
      std::cerr << "vesk-tool compile: unknown option '" << args[i] << "'\n" << CompileUsage();
      return 2;
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) {
    std::cerr << "usage:\n" << CompileUsage();
    return 2;
  }
  return Compile(positional[0], positional[1], archive, werror);
}

int RunDecompileCommand(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::cerr << "usage:\n" << CompileUsage();
    return 2;
  }
  return Decompile(args[0]);
}

}  // namespace vesk::tool
