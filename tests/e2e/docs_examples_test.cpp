// Every script example in the manuals, compiled by vesk-tool and, where it
// is a whole game, played by the headless player: the docs cannot drift
// from what the tools do. The marks an example carries are described at
// the top of docs/script-language.md.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "e2e/game_dir_test.h"
#include "support/run_program.h"

namespace vesk::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using vesk::test_support::RunResult;
using vesk::test_support::Slurp;

// The project a runnable example gets when it shows none of its own.
constexpr const char* kSuppliedProject = "screen 64 48\n";

struct Example {
  std::string where;  // "docs/x.md:LINE" of its first block
  std::map<std::string, std::string> files;
  std::vector<std::string> output;  // lines the compile must print
  bool warns = false;
  bool fails = false;
  int run_frames = 0;
  std::string vars;  // NAME:VALUE,...
};

std::map<std::string, std::string> Attributes(const std::string& info) {
  std::map<std::string, std::string> out;
  std::istringstream words(info);
  for (std::string w; words >> w;) {
    const size_t eq = w.find('=');
    out[w.substr(0, eq)] = eq == std::string::npos ? "" : w.substr(eq + 1);
  }
  return out;
}

// The examples of one document, in order; a block's group joins it to the
// example of the same group name.
void ReadExamples(const fs::path& doc, const std::string& shown_name,
                  std::vector<Example>& examples) {
  std::ifstream in(doc);
  ASSERT_TRUE(in) << doc;
  std::map<std::string, size_t> groups;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.rfind("```", 0) != 0) continue;
    const std::string where = shown_name + ":" + std::to_string(number);
    const std::string info = line.substr(3);
    std::string body;
    bool closed = false;
    while (std::getline(in, line)) {
      ++number;
      if (line == "```") {
        closed = true;
        break;
      }
      body += line + "\n";
    }
    ASSERT_TRUE(closed) << where << ": code block without its closing fence";
    // A bare fence could be a script nobody compiles: every block says what it is.
    ASSERT_FALSE(info.empty()) << where << ": mark the block ```vesk (or name its language)";
    auto attrs = Attributes(info);
    if (attrs.count("vesk-output")) {
      ASSERT_FALSE(examples.empty()) << where << ": output before any example";
      std::istringstream lines(body);
      for (std::string l; std::getline(lines, l);)
        if (!l.empty()) examples.back().output.push_back(l);
      continue;
    }
    if (!attrs.count("vesk")) continue;  // another language
    const std::string group = attrs.count("group") ? attrs["group"] : where;
    if (!groups.count(group)) {
      groups[group] = examples.size();
      examples.emplace_back();
      examples.back().where = where;
    }
    Example& e = examples[groups[group]];
    const std::string file = attrs.count("file") ? attrs["file"] : "start.vsc";
    ASSERT_FALSE(e.files.count(file)) << where << ": " << file << " twice in group " << group;
    e.files[file] = body;
    e.warns = e.warns || attrs.count("warns");
    e.fails = e.fails || attrs.count("fails");
    if (attrs.count("run")) e.run_frames = std::stoi(attrs["run"]);
    if (attrs.count("vars")) e.vars = attrs["vars"];
  }
}

// name -> the JSON text of its values, from --dump-vars.
std::map<std::string, std::string> DumpedVariables(const std::string& dump) {
  std::map<std::string, std::string> vars;
  static const std::regex kVar(R"re(\{"name":"([^"]*)","type":\d,[^{}]*"values":\[([^\]]*)\]\})re");
  for (std::sregex_iterator it(dump.begin(), dump.end(), kVar), end; it != end; ++it)
    vars[(*it)[1]] = (*it)[2];
  return vars;
}

class DocsExamples : public GameDirTest {
 protected:
  void Check(const Example& e, const fs::path& folder) {
    SCOPED_TRACE(e.where);
    fs::create_directories(folder / "src");
    for (const auto& [name, text] : e.files)
      std::ofstream(folder / "src" / name, std::ios::binary) << text;
    const bool strict = !e.warns && !e.fails;
    const RunResult c = test_support::RunProgram(
        VESK_TOOL_PATH,
        "compile " + Q(folder / "src") + " " + Q(folder / "game") + (strict ? " --werror" : ""),
        folder / "tool");
    EXPECT_EQ(c.status, e.fails ? 1 : 0) << c.err;
    if (e.warns) {
      EXPECT_THAT(c.err, HasSubstr(": warning: "));
    }
    for (const std::string& l : e.output) EXPECT_THAT(c.err, HasSubstr(l + "\n"));
    if (e.run_frames == 0 || c.status != 0) return;

    if (!e.files.count("project.vproj")) {
      std::ofstream(folder / "src" / "project.vproj") << kSuppliedProject;
      ASSERT_EQ(test_support::RunProgram(VESK_TOOL_PATH,
                                         "compile " + Q(folder / "src") + " " + Q(folder / "game"),
                                         folder / "tool")
                    .status,
                0);
    }
    const fs::path trace = folder / "trace.txt", dump = folder / "vars.json";
    const RunResult r = RunPlayer("--frames " + std::to_string(e.run_frames) + " --trace " +
                                      Q(trace) + " --dump-vars " + Q(dump),
                                  folder / "game");
    EXPECT_EQ(r.status, 0) << r.err;
    // A swallowed error is a "# message" line: an example must run cleanly.
    const std::string log = Slurp(trace);
    EXPECT_FALSE(std::regex_search(log, std::regex("(^|\n)[0-9a-f]{8} # "))) << log;
    const auto vars = DumpedVariables(Slurp(dump));
    std::istringstream wanted(e.vars);
    for (std::string pair; std::getline(wanted, pair, ',');) {
      const std::string name = pair.substr(0, pair.find(':'));
      const auto it = vars.find(name);
      EXPECT_EQ(it == vars.end() ? "<missing>" : it->second, pair.substr(pair.find(':') + 1))
          << name;
    }
  }
};

TEST_F(DocsExamples, CompileAndRunAsDocumented) {
  const fs::path docs = fs::path(VESK_FIXTURES_DIR).parent_path().parent_path() / "docs";
  std::vector<Example> examples;
  for (const char* doc : {"script-language.md", "tool-manual.md"})
    ReadExamples(docs / doc, std::string("docs/") + doc, examples);
  // The marks are read at all: the manuals have this many examples at least.
  ASSERT_GE(examples.size(), 7u);
  int runs = 0;
  for (size_t i = 0; i < examples.size(); ++i) {
    Check(examples[i], dir_ / ("example" + std::to_string(i)));
    runs += examples[i].run_frames > 0;
  }
  EXPECT_GE(runs, 1);
}

}  // namespace
}  // namespace vesk::e2e
