// vesk-tool: the authoring tool chain, one program with subcommands.
#include <iostream>
#include <string>
#include <vector>

#include "vesk-tool/archive_command.h"
#include "vesk-tool/bundle_command.h"
#include "vesk-tool/compile_command.h"
#include "vesk-tool/film_command.h"
#include "vesk-tool/glyphs_command.h"
#include "vesk-tool/image_command.h"
#include "vesk-tool/prevmenu_command.h"
#include "vesk-tool/save_command.h"
#include "vesk-tool/text_command.h"

namespace {

void PrintUsage(std::ostream& out) {
  out << "usage: vesk-tool COMMAND ...\n"
      << "commands:\n"
      << vesk::tool::ArchiveUsage() << vesk::tool::BundleUsage() << vesk::tool::CompileUsage()
      << vesk::tool::FilmUsage() << vesk::tool::GlyphsUsage() << vesk::tool::ImageUsage()
      << vesk::tool::PrevMenuUsage() << vesk::tool::SaveUsage() << vesk::tool::TextUsage()
      << "  vesk-tool --help | --version\n";
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintUsage(std::cerr);
    return 2;
  }
  const std::string& command = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "--help" || command == "-h" || command == "help") {
    PrintUsage(std::cout);
    return 0;
  }
  if (command == "--version") {
    std::cout << "vesk-tool " << VESK_VERSION << '\n';
    return 0;
  }
  if (command == "archive") return vesk::tool::RunArchiveCommand(rest);
  if (command == "bundle") return vesk::tool::RunBundleCommand(rest);
  if (command == "compile") return vesk::tool::RunCompileCommand(rest);
  if (command == "decompile") return vesk::tool::RunDecompileCommand(rest);
  if (command == "film") return vesk::tool::RunFilmCommand(rest);
  if (command == "glyphs") return vesk::tool::RunGlyphsCommand(rest);
  if (command == "image") return vesk::tool::RunImageCommand(rest);
  if (command == "prevmenu") return vesk::tool::RunPrevMenuCommand(rest);
  if (command == "save") return vesk::tool::RunSaveCommand(rest);
  if (command == "text") return vesk::tool::RunTextCommand(rest);
  std::cerr << "vesk-tool: unknown command '" << command << "'\n";
  PrintUsage(std::cerr);
  return 2;
}
