// Variables, files, paths and the shell; and the dispatcher as a whole:
// result types, the functions not wired in yet, and hostile operand lists.
#include <gmock/gmock.h>

#include <functional>

#include "sysfuncs_test_fixture.h"

namespace vesk::expr::test {
namespace {

using ::testing::ElementsAre;

class FilesAndDispatch : public SysFuncTest {
 protected:
  std::string Str(int id, auto... operands) { return Run(id, std::move(operands)...).GetStr(); }
  bool Flag(int id, auto... operands) { return Run(id, std::move(operands)...).GetFlag(); }
};

TEST_F(FilesAndDispatch, VariablesFilesAndTheShell) {
  Declare("Lines", lang::PT_STR);
  EXPECT_TRUE(Flag(FN_VarExists, S("lines")));
  EXPECT_FALSE(Flag(FN_AssignTemp, S("nope")));
  EXPECT_TRUE(Flag(FN_AssignTemp, S("lines")));
  EXPECT_EQ(table.TempTarget, "lines");

  host.files = {{"a.txt", "l1\r\nl2\nl3\r\n"}, {"empty.txt", ""}};
  EXPECT_TRUE(Flag(FN_FileExists, S("a.txt")));
  EXPECT_FALSE(Flag(FN_FileExists, S("")));
  EXPECT_THAT(host.asked, ElementsAre("a.txt"));  // an empty name is not looked up
  EXPECT_TRUE(Flag(FN_LoadTextFile, V("lines"), S("a.txt")));
  EXPECT_THAT(Strings("lines"), ElementsAre("l1", "l2", "l3"));
  EXPECT_FALSE(Flag(FN_LoadTextFile, V("lines"), S("empty.txt")));
  EXPECT_FALSE(Flag(FN_LoadTextFile, V("lines"), S("missing.txt")));
  EXPECT_EQ(Strings("lines").size(), 3u);

  for (const char* url : {"http://a/", "ftp://b/", "mailto:c@d", "HTTP://e/", "C:\\calc.exe"})
    Run(FN_OpenUrl, S(url));
  EXPECT_THAT(host.opened, ElementsAre("http://a/", "ftp://b/"));
}

TEST_F(FilesAndDispatch, PathsIgnoreDelimitersInsideDoubleByteCharacters) {
  const std::string hyo = J("表");  // 95 5C: its trail byte is "\"
  EXPECT_EQ(Str(FN_ExtractFilePath, S("C:\\dir\\f.txt")), "C:\\dir\\");
  EXPECT_EQ(Str(FN_ExtractFilePath, S("c:f")), "c:");
  EXPECT_EQ(Str(FN_ExtractFilePath, S("d\\" + hyo)), "d\\");
  EXPECT_EQ(Str(FN_ExtractFileName, S("d\\" + hyo)), hyo);
  EXPECT_EQ(Str(FN_ExtractFileName, S("f")), "f");
  EXPECT_EQ(Str(FN_ExtractFileExt, S("a.b.c")), ".c");
  EXPECT_EQ(Str(FN_ExtractFileExt, S("a.d\\b")), "");
  EXPECT_EQ(Str(FN_ChangeFileExt, S("a.txt"), S(".bmp")), "a.bmp");
  EXPECT_EQ(Str(FN_ChangeFileExt, S("d.x\\a"), S(".bmp")), "d.x\\a.bmp");
  EXPECT_TRUE(Flag(FN_IsPathDelimiter, S("a\\b"), I(2)));
  EXPECT_FALSE(Flag(FN_IsPathDelimiter, S(hyo), I(2)));
  EXPECT_FALSE(Flag(FN_IsPathDelimiter, S("\\"), I(0)));
  EXPECT_EQ(Str(FN_AddBackSlash, S("d\\")), "d\\");
  EXPECT_EQ(Str(FN_AddBackSlash, S(hyo)), hyo + "\\");
  EXPECT_EQ(Str(FN_AddBackSlash, S("")), "\\");
  EXPECT_TRUE(Flag(FN_IsDelimiter, S(",;"), S("a;b"), I(2)));
  EXPECT_FALSE(Flag(FN_IsDelimiter, S("\\"), S(hyo), I(2)));
  EXPECT_FALSE(Flag(FN_IsDelimiter, S(","), S(","), I(INT32_MIN)));
}

TEST_F(FilesAndDispatch, ResultTypesFollowTheFunctionTables) {
  // One digit per id, transcribed from the tables (0 = stores nothing).
  const std::string types =
      "4400111440"
      "0001111443"
      "3000301440"
      "1011111122"
      "2222222112"
      "3220011111"
      "1144431113"
      "3334444434"
      "4344344333"
      "3331323334"
      "3133333313"
      "2333433333"
      "0341331122"
      "130410";
  ASSERT_EQ(types.size(), static_cast<size_t>(kSystemFunctionCount));
  for (int id = 0; id < kSystemFunctionCount; ++id)
    EXPECT_EQ(TSysFuncMan::ResultType(id), types[id] - '0') << id;
  EXPECT_EQ(TSysFuncMan::ResultType(136), lang::PT_NONE);
}

TEST_F(FilesAndDispatch, FunctionsNotWiredInLeaveEverythingAlone) {
  Declare("v", lang::PT_STR).SetStr("keep");
  for (int id : {FN_GetProp,        FN_SetProp,         FN_Exists,         FN_GetCheck,
                 FN_SetCheck,       FN_ListCompo,       FN_ToClientX,      FN_ToScreenY,
                 FN_IndexOfMenu,    FN_InPrimary,       FN_GetEnabled,     FN_SetEnabled,
                 FN_GetSaveCaption, FN_ListSaveCaption, FN_GetDisplayMode, FN_SetWallPaper,
                 FN_DBCreateTable,  FN_DBGetFloat,      FN_DBGetStr,       FN_DBClearTable}) {
    const std::string got = Run(id, V("v"), I(5), I(1), V("v")).GetStr();
    EXPECT_EQ(got, MakeParam(TSysFuncMan::ResultType(id))->GetStr()) << id;
    EXPECT_EQ(Var("v").GetStr(), "keep") << id;
  }
}

TEST_F(FilesAndDispatch, MissingAndHostileOperandsNeverFault) {
  // Every id with no operands, too few, unknown references, null entries
  // and extreme values: a result or one of the runtime's errors, nothing
  // else (the sanitizers watch the reads).
  Declare("s", lang::PT_STR).SetStr(J("日本") + "\x82");
  const std::vector<std::function<void(Operands&)>> shapes = {
      [](Operands&) {},
      [&](Operands& o) { o.push_back(V("arr")); },
      [&](Operands& o) {
        for (auto* name : {"s", "nope", "arr", "nope"}) o.push_back(V(name));
      },
      [&](Operands& o) {
        o.push_back(V("s"));
        o.push_back(I(INT32_MAX));
        o.push_back(I(INT32_MIN));
        o.push_back(nullptr);
        o.push_back(R(-1e300L));
      },
      [&](Operands& o) {
        o.push_back(S(J("日本") + "\x82"));
        o.push_back(I(INT32_MIN));
        o.push_back(I(INT32_MAX));
        o.push_back(V("arr"));
      },
  };
  for (int id = 0; id < 256; ++id) {
    for (const auto& shape : shapes) {
      if (!table.Find("arr")) Declare("arr", lang::PT_INT);
      Var("arr").SetDims({2, 2});
      Operands ops;
      shape(ops);
      try {
        RunOps(id, ops);
      } catch (const EVeskError&) {
      }
    }
  }
}

}  // namespace
}  // namespace vesk::expr::test
