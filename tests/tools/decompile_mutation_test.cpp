// The decompiler's promise, held against damaged pages: real compiled pages
// (the demo's and a page using every command) with single bytes changed.
// Whatever decompiles must compile back to exactly the changed bytes; what
// cannot be reproduced must be refused, never printed as other bytes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "script/pages.h"
#include "vesk-tool/script/page_compiler.h"
#include "vesk-tool/script/page_decompiler.h"

namespace vesk::tool::script {
namespace {

namespace fs = std::filesystem;

constexpr const char* kEveryCommand = R"(Label top
If a > 1 and b < 2
  Calc c = "日本語" ~ c
ElseIf ()
  Exit if: x == 3
Else
  Jump "p.lsb" at: top if: y or false
While n < 10 init: n = 0; m = 1.5 step: n = n + 1
  Break if: n == 5
  Continue
Call "p.lsb" args: (n * 2, "s", ()) result: r if: z
endframe Wait 100 while: @LClick == false block: true
VarNew flags type: flag value: true scope: local
GetProp "box" prop: PR_LEFT var: x
SetProp "box" prop: 3 value: not x
PropMotion name: "m" target: "box" prop: 3 end: 10.5 duration: 500 easing: MT_INC flag: true
Flip 3 duration: 500 reverse: false names: ("a", n) clear: true block: false
TextIns "text" window: "mes" record: true wait: false block: true
PCReset "p.lsb" at: 2 full: 1
BoxNew Name: "box" Left: 10 Visible: true Color: 0xFF00FF
SaveCabinet Name: "cab" mode: true names: ("a", "b")
)";

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// name -> bytes of every page the test mutates.
std::vector<std::pair<std::string, std::vector<uint8_t>>> RealPages() {
  const fs::path demo = fs::path(VESK_FIXTURES_DIR).parent_path().parent_path() / "demo";
  std::vector<CompiledPage> pages;
  for (const char* name : {"start", "story", "clock"}) {
    pages.push_back(
        CompilePage(ReadText(demo / (std::string(name) + ".vsc")), std::string(name) + ".lsb", {}));
  }
  pages.push_back(CompilePage(kEveryCommand, "p.lsb", {}));
  ResolveTargets(pages, nullptr);
  std::vector<std::pair<std::string, std::vector<uint8_t>>> out;
  for (const CompiledPage& p : pages) out.emplace_back(p.page->Name, PageBytes(*p.page));
  return out;
}

struct Tally {
  int tried = 0;
  int decompiled = 0;
};

// One mutated page: refused, or reproduced byte for byte.
void Check(const std::string& name, const std::vector<uint8_t>& bytes, size_t offset,
           Tally& tally) {
  ++tally.tried;
  std::string text;
  try {
    text = DecompilePage(bytes, name);
  } catch (const std::runtime_error&) {
    return;  // refused with a reason: allowed
  }
  ++tally.decompiled;
  try {
    EXPECT_EQ(PageBytes(*CompilePage(text, name, {}).page), bytes)
        << name << ", byte " << offset << " set to " << int(bytes[offset]) << ", decompiled to:\n"
        << text;
  } catch (const CompileError& e) {
    ADD_FAILURE() << name << ", byte " << offset
                  << ": the printed text does not compile: " << e.line() << ":" << e.column()
                  << ": " << e.what() << "\n"
                  << text;
  }
}

TEST(DecompileMutations, WhatDecompilesRecompilesByteForByte) {
  Tally tally;
  for (const auto& [name, original] : RealPages()) {
    ASSERT_FALSE(original.empty());
    // Every 1 byte may be a stored flag: give it a value the player also
    // reads as true. Zero bytes get the same, other bytes are flipped, both
    // at a stride, landing in counts, names, operator codes and reals.
    for (size_t i = 6; i < original.size(); ++i) {
      std::vector<uint8_t> bytes = original;
      if (original[i] == 1) {
        bytes[i] = 0x80;
      } else if (original[i] == 0 && i % 7 == 0) {
        bytes[i] = 0x80;
      } else if (original[i] > 1 && i % 13 == 0) {
        bytes[i] ^= 0x5A;
      } else {
        continue;
      }
      Check(name, bytes, i, tally);
    }
  }
  // The test means something only when many mutants got through.
  EXPECT_GT(tally.tried, 400);
  EXPECT_GT(tally.decompiled, 50);
  std::cout << tally.decompiled << " of " << tally.tried << " mutated pages decompiled\n";
}

}  // namespace
}  // namespace vesk::tool::script
