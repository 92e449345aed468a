#include "lang/vocabulary.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/cp932.h"

namespace vesk::lang {
namespace {

struct NamedTable {
  const char* label;
  Vocabulary which;
  std::span<const VocabEntry> table;
  size_t size;
};

std::vector<NamedTable> AllTables() {
  return {
      {"commands", Vocabulary::kCommands, Commands(), 61},
      {"operators", Vocabulary::kOperators, Operators(), 21},
      {"component kinds", Vocabulary::kComponentKinds, ComponentKinds(), 28},
      {"properties", Vocabulary::kProperties, Properties(), 159},
      {"transitions", Vocabulary::kTransitions, Transitions(), 32},
      {"system variables", Vocabulary::kSystemVariables, SystemVariables(), 49},
      {"system functions", Vocabulary::kSystemFunctions, SystemFunctions(), 136},
      {"keys", Vocabulary::kKeys, Keys(), 70},
      {"font style flags", Vocabulary::kFontStyleFlags, FontStyleFlags(), 4},
      {"horizontal alignments", Vocabulary::kHorizontalAlignments, HorizontalAlignments(), 3},
      {"vertical alignments", Vocabulary::kVerticalAlignments, VerticalAlignments(), 3},
      {"play modes", Vocabulary::kPlayModes, PlayModes(), 4},
      {"particle motions", Vocabulary::kParticleMotions, ParticleMotions(), 5},
      {"input ignore modes", Vocabulary::kInputIgnoreModes, InputIgnoreModes(), 5},
      {"orientations", Vocabulary::kOrientations, Orientations(), 2},
      {"motion easings", Vocabulary::kMotionEasings, MotionEasings(), 3},
      {"value types", Vocabulary::kValueTypes, ValueTypes(), 5},
      {"flip placements", Vocabulary::kFlipPlacements, FlipPlacements(), 2},
      {"system prompts", Vocabulary::kSystemPrompts, SystemPrompts(), 2},
      {"variable scopes", Vocabulary::kVariableScopes, VariableScopes(), 4},
      {"wallpaper placements", Vocabulary::kWallpaperPlacements, WallpaperPlacements(), 3},
  };
}

// Checks one entry against its id, name and caption (nullptr: none).
void ExpectEntry(std::span<const VocabEntry> table, int id, const char* name, const char* caption) {
  const VocabEntry* e = EntryAt(table, id);
  ASSERT_NE(e, nullptr) << "id " << id;
  if (name == nullptr) {
    EXPECT_EQ(e->name, nullptr) << "id " << id;
  } else {
    ASSERT_NE(e->name, nullptr) << "id " << id;
    EXPECT_STREQ(e->name, name) << "id " << id;
  }
  if (caption == nullptr) {
    EXPECT_EQ(e->caption, nullptr) << "id " << id;
  } else {
    ASSERT_NE(e->caption, nullptr) << "id " << id;
    EXPECT_STREQ(e->caption, caption) << "id " << id;
  }
}

// --- Sizes ------------------------------------------------------------------

TEST(VocabularySizes, EveryTableHasItsCountOfIds) {
  for (const NamedTable& t : AllTables()) {
    EXPECT_EQ(t.table.size(), t.size) << t.label;
    EXPECT_EQ(Table(t.which).data(), t.table.data()) << t.label;
    EXPECT_EQ(Table(t.which).size(), t.size) << t.label;
  }
  EXPECT_EQ(AllTables().size(), static_cast<size_t>(kVocabularyCount));
}

TEST(VocabularySizes, CountConstantsMatchTheTables) {
  EXPECT_EQ(kCommandCount, 61);
  EXPECT_EQ(kOperatorCount, 21);
  EXPECT_EQ(kComponentKindCount, 28);
  EXPECT_EQ(kPropertyCount, 159);
  EXPECT_EQ(kTransitionCount, 32);
  EXPECT_EQ(kSystemVariableCount, 49);
  EXPECT_EQ(kSystemFunctionCount, 136);
  EXPECT_EQ(kKeyCount, 70);
}

// --- Ids against the authoring tool's numbering -----------------------------

TEST(VocabularyIds, Commands) {
  EXPECT_EQ(CMD_If, 0);
  EXPECT_EQ(CMD_Calc, 14);
  EXPECT_EQ(CMD_Button, 30);
  EXPECT_EQ(CMD_LoadCabinet, 60);
  ExpectEntry(Commands(), CMD_If, "If", "IF");
  ExpectEntry(Commands(), CMD_Elseif, "Elseif", "ELSE IF");
  ExpectEntry(Commands(), CMD_Exit, "Exit", "リターン");
  ExpectEntry(Commands(), CMD_Calc, "Calc", "計算");
  ExpectEntry(Commands(), CMD_Button, "Button", "ボタン作成");
  ExpectEntry(Commands(), CMD_DoEvent, "DoEvent", "DoEvent");
  ExpectEntry(Commands(), CMD_WaveNew, "WaveNew", "ウエーブサーフェス作成");
  ExpectEntry(Commands(), CMD_LoadCabinet, "LoadCabinet", "キャビネット復帰");
}

TEST(VocabularyIds, CommandClassesIncludingTheOnesNotNamedAfterTheCommand) {
  EXPECT_STREQ(CommandClassName(CMD_If), "TComIf");
  EXPECT_STREQ(CommandClassName(CMD_Calc), "TComCalc");
  EXPECT_STREQ(CommandClassName(CMD_Button), "TComBtnNew");
  EXPECT_STREQ(CommandClassName(CMD_FormatHist), "TComEntryHist");
  EXPECT_STREQ(CommandClassName(CMD_SaveCabinet), "TComCabinetSave");
  EXPECT_STREQ(CommandClassName(CMD_LoadCabinet), "TComCabinetLoad");
  std::set<std::string> classes;
  for (int id = 0; id < kCommandCount; ++id) {
    ASSERT_NE(CommandClassName(id), nullptr) << id;
    EXPECT_EQ(std::strncmp(CommandClassName(id), "TCom", 4), 0) << id;
    classes.insert(CommandClassName(id));
  }
  EXPECT_EQ(classes.size(), static_cast<size_t>(kCommandCount));
}

TEST(VocabularyIds, Operators) {
  EXPECT_EQ(ocNone, 0);
  EXPECT_EQ(ocFunc, 11);
  EXPECT_EQ(ocNEqual, 20);
  ExpectEntry(Operators(), 0, "ocNone", nullptr);
  ExpectEntry(Operators(), 2, "ocPlus", nullptr);
  ExpectEntry(Operators(), 10, "ocDimTo", nullptr);
  ExpectEntry(Operators(), 19, "ocComboStr", nullptr);
  ExpectEntry(Operators(), 20, "ocNEqual", nullptr);
}

TEST(VocabularyIds, ComponentKinds) {
  EXPECT_EQ(LT_BOX, 2);
  EXPECT_EQ(LT_MES, 13);
  EXPECT_EQ(LT_CABINET, 27);
  ExpectEntry(ComponentKinds(), 0, "LT_NONE", "なし");
  ExpectEntry(ComponentKinds(), 7, "LT_HTTP", "HTTP");
  ExpectEntry(ComponentKinds(), 13, "LT_MES", "メッセージボックス");
  // Not the command's spelling ("ウエーブ"): the two captions differ.
  ExpectEntry(ComponentKinds(), 19, "LT_WAVE", "ウェーブサーフェス");
  ExpectEntry(ComponentKinds(), 27, "LT_CABINET", "キャビネット");
}

TEST(VocabularyIds, Properties) {
  EXPECT_EQ(PR_NAME, 0);
  EXPECT_EQ(PR_PARENT, 1);
  EXPECT_EQ(PR_ONLBTNUP, 37);
  EXPECT_EQ(PR_COMPOTYPE, 140);
  EXPECT_EQ(PR_MUTEONLOAD, 158);
  ExpectEntry(Properties(), 0, "PR_NAME", "名前");
  ExpectEntry(Properties(), 3, "PR_LEFT", "X座標");
  ExpectEntry(Properties(), 22, "PR_FONTHOVERCOLOR", "マウスオーバー時の\r\nフォント色");
  ExpectEntry(Properties(), 54, "PR_BORDERSOURCETL", "枠画像(左上)");
  ExpectEntry(Properties(), 79, "PR_CARETY", "キャレットY");
  ExpectEntry(Properties(), 130, "PR_GLYPHWIDTH", "１個の幅");
  ExpectEntry(Properties(), 140, "PR_COMPOTYPE", "コンポーネントの種類");
  ExpectEntry(Properties(), 157, "PR_BARSIZE", "バーの長さ");
  ExpectEntry(Properties(), 158, "PR_MUTEONLOAD", "ロード時ミュート");
}

TEST(VocabularyIds, Transitions) {
  EXPECT_EQ(WP_FADE, 1);
  EXPECT_EQ(WP_CLOCKHAND, 31);
  ExpectEntry(Transitions(), 0, "WP_NONE", "なし");
  ExpectEntry(Transitions(), 9, "WP_GRIDH", "格子(横)");
  ExpectEntry(Transitions(), 15, "WP_MOSAIC", "モザイク");
  ExpectEntry(Transitions(), 29, "WP_CRACK", "チップ落下");
  ExpectEntry(Transitions(), 31, "WP_CLOCKHAND", "時計の針");
}

TEST(VocabularyIds, SystemVariablesKeepTheirAtSign) {
  EXPECT_EQ(SV_Sender, 11);
  EXPECT_EQ(SV_1Hour, 32);
  EXPECT_EQ(SV_WheelUp, 48);
  ExpectEntry(SystemVariables(), 0, "@Result", nullptr);
  ExpectEntry(SystemVariables(), 11, "@Sender", nullptr);
  ExpectEntry(SystemVariables(), 32, "@1Hour", nullptr);
  ExpectEntry(SystemVariables(), 48, "@WheelUp", nullptr);
}

TEST(VocabularyIds, SystemFunctions) {
  EXPECT_EQ(FN_IntToStr, 0);
  EXPECT_EQ(FN_DBCreateTable, 87);
  EXPECT_EQ(FN_OpenUrl, 135);
  ExpectEntry(SystemFunctions(), 0, "IntToStr", nullptr);
  ExpectEntry(SystemFunctions(), 37, "Int", nullptr);
  ExpectEntry(SystemFunctions(), 87, "DBCreateTable", nullptr);
  ExpectEntry(SystemFunctions(), 125, "SetWallPaper", nullptr);
  ExpectEntry(SystemFunctions(), 135, "OpenUrl", nullptr);
}

TEST(VocabularyIds, Keys) {
  EXPECT_EQ(VkmRETURN, 2);
  EXPECT_EQ(VkmF12, 67);
  EXPECT_EQ(VkmWheelUp, 69);
  ExpectEntry(Keys(), 0, "VkmBACK", nullptr);
  ExpectEntry(Keys(), 20, "Vkm0", nullptr);
  ExpectEntry(Keys(), 30, "VkmA", nullptr);
  ExpectEntry(Keys(), 55, "VkmZ", nullptr);
  ExpectEntry(Keys(), 56, "VkmF1", nullptr);
  ExpectEntry(Keys(), 68, "VkmWheelDown", nullptr);
  ExpectEntry(Keys(), 69, "VkmWheelUp", nullptr);
}

TEST(VocabularyIds, SmallEnumerations) {
  ExpectEntry(FontStyleFlags(), FS_BOLD, "FS_BOLD", "太字");
  ExpectEntry(FontStyleFlags(), FS_STRIKEOUT, "FS_STRIKEOUT", "抹消線");
  EXPECT_EQ(FS_STRIKEOUT, 3);
  ExpectEntry(HorizontalAlignments(), HA_LEFT, "HA_LEFT", "左寄せ");
  ExpectEntry(HorizontalAlignments(), HA_RIGHT, "HA_RIGHT", "右寄せ");
  ExpectEntry(VerticalAlignments(), VA_TOP, "VA_TOP", "上寄せ");
  ExpectEntry(VerticalAlignments(), VA_BOTTOM, "VA_BOTTOM", "下寄せ");
  EXPECT_EQ(HA_RIGHT, 2);
  EXPECT_EQ(VA_BOTTOM, 2);
  ExpectEntry(PlayModes(), LP_PLAY, "LP_PLAY", nullptr);
  ExpectEntry(PlayModes(), LP_STOPFADE, "LP_STOPFADE", nullptr);
  EXPECT_EQ(LP_PLAYFADE, 1);
  EXPECT_EQ(LP_STOP, 2);
  ExpectEntry(ParticleMotions(), PM_NONE, "PM_NONE", "停止");
  ExpectEntry(ParticleMotions(), PM_TWISTER, "PM_TWISTER", "竜巻");
  EXPECT_EQ(PM_TWISTER, 4);
  ExpectEntry(InputIgnoreModes(), IM_NONE, "IM_NONE", "通常");
  ExpectEntry(InputIgnoreModes(), IM_RCLICK, "IM_RCLICK", "右クリックを無視");
  EXPECT_EQ(IM_RCLICK, 4);
  ExpectEntry(Orientations(), OT_HORIZONTAL, "OT_HORIZONTAL", "水平");
  ExpectEntry(Orientations(), OT_VERTICAL, "OT_VERTICAL", "垂直");
  ExpectEntry(MotionEasings(), MT_NORMAL, "MT_NORMAL", "通常");
  ExpectEntry(MotionEasings(), MT_DEC, "MT_DEC", "減速");
  EXPECT_EQ(MT_INC, 1);
  ExpectEntry(FlipPlacements(), FL_OUT, "FL_OUT", "指定サーフェスを裏に");
  ExpectEntry(FlipPlacements(), FL_STAY, "FL_STAY", "指定サーフェスを表に");
  ExpectEntry(SystemPrompts(), CHANGEMEDIA, "CHANGEMEDIA", "ディスク入替(ディスク番号を%dで記述)");
  ExpectEntry(SystemPrompts(), EXIT, "EXIT", "終了確認");
}

TEST(VocabularyIds, ValueTypesHaveAnEmptyNotAMissingCaptionForNone) {
  EXPECT_EQ(PT_NONE, 0);
  EXPECT_EQ(PT_INT, 1);
  EXPECT_EQ(PT_FLOAT, 2);
  EXPECT_EQ(PT_BOOL, 3);
  EXPECT_EQ(PT_STR, 4);
  ExpectEntry(ValueTypes(), PT_NONE, "PT_NONE", "");
  ExpectEntry(ValueTypes(), PT_STR, "PT_STR", "文字列");
}

TEST(VocabularyIds, CaptionOnlyTablesHaveNoNames) {
  ExpectEntry(VariableScopes(), 0, nullptr, "グローバル");
  ExpectEntry(VariableScopes(), 1, nullptr, "自動破棄");
  ExpectEntry(VariableScopes(), 2, nullptr, "ローカル");
  ExpectEntry(VariableScopes(), 3, nullptr, "ステータス");
  ExpectEntry(WallpaperPlacements(), 0, nullptr, "中央に表示");
  ExpectEntry(WallpaperPlacements(), 1, nullptr, "拡大して表示");
  ExpectEntry(WallpaperPlacements(), 2, nullptr, "並べて表示");
}

// --- Ids outside a table ----------------------------------------------------

TEST(VocabularyBounds, IdsOutsideATableGiveNothing) {
  for (const NamedTable& t : AllTables()) {
    const int size = static_cast<int>(t.size);
    EXPECT_EQ(EntryAt(t.table, -1), nullptr) << t.label;
    EXPECT_EQ(EntryAt(t.table, size), nullptr) << t.label;
    EXPECT_EQ(EntryAt(t.table, 1 << 30), nullptr) << t.label;
    EXPECT_NE(EntryAt(t.table, size - 1), nullptr) << t.label;
    EXPECT_TRUE(CaptionCp932(t.which, -1).empty()) << t.label;
    EXPECT_TRUE(CaptionCp932(t.which, size).empty()) << t.label;
  }
  EXPECT_EQ(CommandClassName(-1), nullptr);
  EXPECT_EQ(CommandClassName(kCommandCount), nullptr);
  EXPECT_NE(CommandClassName(kCommandCount - 1), nullptr);
  EXPECT_TRUE(Table(static_cast<Vocabulary>(-1)).empty());
  EXPECT_TRUE(Table(static_cast<Vocabulary>(kVocabularyCount)).empty());
  EXPECT_TRUE(CaptionCp932(static_cast<Vocabulary>(kVocabularyCount), 0).empty());
}

// --- Names and captions -----------------------------------------------------

TEST(VocabularyNames, NamesArePresentAndUniqueWithinEachTable) {
  for (const NamedTable& t : AllTables()) {
    const bool caption_only =
        t.which == Vocabulary::kVariableScopes || t.which == Vocabulary::kWallpaperPlacements;
    std::set<std::string> seen;
    for (size_t id = 0; id < t.table.size(); ++id) {
      const char* name = t.table[id].name;
      if (caption_only) {
        EXPECT_EQ(name, nullptr) << t.label << " id " << id;
        continue;
      }
      ASSERT_NE(name, nullptr) << t.label << " id " << id;
      EXPECT_GT(std::strlen(name), 0u) << t.label << " id " << id;
      EXPECT_TRUE(seen.insert(name).second) << t.label << " repeats " << name;
    }
  }
}

TEST(VocabularyNames, FunctionAndPropertyNamesStayUniqueWithoutCase) {
  // The script compiler looks these up without regard to case.
  for (std::span<const VocabEntry> table : {Properties(), SystemFunctions()}) {
    for (size_t id = 0; id < table.size(); ++id) {
      std::string lower = table[id].name;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      EXPECT_EQ(FindByNameIgnoreCase(table, lower), static_cast<int>(id)) << table[id].name;
    }
  }
}

TEST(VocabularyCaptions, LineBreaksOnlyInTheTwoLinePropertyCaptions) {
  const std::set<int> expected = {22, 23, 24, 83, 88, 152, 153, 154, 155, 156};
  // Split like every other hover caption.
  EXPECT_STREQ(Properties()[PR_HOVERCOLOR].caption, "マウスオーバー時の\r\n色");
  std::set<int> found;
  for (size_t id = 0; id < Properties().size(); ++id) {
    const std::string caption = Properties()[id].caption;
    if (caption.find("\r\n") != std::string::npos) found.insert(static_cast<int>(id));
    // A break is always the full pair, never a lone CR or LF.
    size_t crs = 0, lfs = 0, pairs = 0;
    for (size_t i = 0; i < caption.size(); ++i) {
      crs += caption[i] == '\r';
      lfs += caption[i] == '\n';
      pairs += caption.compare(i, 2, "\r\n") == 0;
    }
    EXPECT_EQ(crs, pairs) << "id " << id;
    EXPECT_EQ(lfs, pairs) << "id " << id;
  }
  EXPECT_EQ(found, expected);
  EXPECT_STREQ(Properties()[PR_CAPTUREMASK].caption, "マウス位置を\r\nマスクで判断");
  EXPECT_STREQ(Properties()[PR_CAPTURELINK].caption, "マウス判定を\r\nリンク文字のみ");
  EXPECT_STREQ(Properties()[PR_FONTHOVERSHADOWCOLOR].caption,
               "マウスオーバー時の\r\nフォントの影の色");
  for (const NamedTable& t : AllTables()) {
    if (t.which == Vocabulary::kProperties) continue;
    for (const VocabEntry& e : t.table) {
      if (e.caption != nullptr) {
        EXPECT_EQ(std::strpbrk(e.caption, "\r\n"), nullptr) << t.label;
      }
    }
  }
}

TEST(VocabularyCaptions, RepeatedCaptionsDoNotIdentifyEntriesButNamesDo) {
  EXPECT_STREQ(Properties()[72].caption, "選択");
  EXPECT_STREQ(Properties()[87].caption, "選択");
  int select_count = 0;
  for (const VocabEntry& e : Properties()) select_count += std::strcmp(e.caption, "選択") == 0;
  EXPECT_EQ(select_count, 2);
  EXPECT_EQ(FindByName(Properties(), "PR_ONSELECT"), 72);
  EXPECT_EQ(FindByName(Properties(), "PR_SELECTED"), 87);

  EXPECT_STREQ(HorizontalAlignments()[HA_CENTER].caption, "中央寄せ");
  EXPECT_STREQ(VerticalAlignments()[VA_CENTER].caption, "中央寄せ");
  EXPECT_EQ(FindByName(HorizontalAlignments(), "HA_CENTER"), 1);
  EXPECT_EQ(FindByName(VerticalAlignments(), "VA_CENTER"), 1);
  EXPECT_EQ(FindByName(HorizontalAlignments(), "VA_CENTER"), -1);
}

// --- CP932 captions ---------------------------------------------------------

TEST(VocabularyCp932, EveryCaptionConvertsWithoutLoss) {
  for (const NamedTable& t : AllTables()) {
    for (size_t id = 0; id < t.table.size(); ++id) {
      const char* caption = t.table[id].caption;
      if (caption == nullptr) continue;
      EXPECT_TRUE(platform::IsCp932Representable(caption)) << t.label << " id " << id;
      const std::string_view cp932 = CaptionCp932(t.which, static_cast<int>(id));
      EXPECT_EQ(platform::Cp932ToUtf8(cp932), caption) << t.label << " id " << id;
      EXPECT_EQ(cp932.find('?'), std::string_view::npos) << t.label << " id " << id;
    }
  }
}

TEST(VocabularyCp932, CaptionsComeAsShiftJisBytes) {
  EXPECT_EQ(CaptionCp932(Vocabulary::kComponentKinds, LT_NONE), "\x82\xC8\x82\xB5");  // なし
  EXPECT_EQ(CaptionCp932(Vocabulary::kCommands, CMD_If), "IF");
  // The line break survives as the two bytes CR LF.
  const std::string_view hover = CaptionCp932(Vocabulary::kProperties, PR_HOVERSOURCE);
  EXPECT_NE(hover.find("\r\n"), std::string_view::npos);
  EXPECT_EQ(platform::Cp932ToUtf8(hover), "マウスオーバー時の\r\n画像");
  // Full-width digit one is 0x82 0x50.
  EXPECT_EQ(CaptionCp932(Vocabulary::kProperties, PR_GLYPHWIDTH).substr(0, 2), "\x82\x50");
}

TEST(VocabularyCp932, EntriesWithoutCaptionGiveAnEmptyView) {
  EXPECT_TRUE(CaptionCp932(Vocabulary::kOperators, ocPlus).empty());
  EXPECT_TRUE(CaptionCp932(Vocabulary::kKeys, VkmRETURN).empty());
  EXPECT_TRUE(CaptionCp932(Vocabulary::kPlayModes, LP_PLAY).empty());
  EXPECT_TRUE(CaptionCp932(Vocabulary::kValueTypes, PT_NONE).empty());
  EXPECT_FALSE(CaptionCp932(Vocabulary::kValueTypes, PT_INT).empty());
}

TEST(VocabularyCp932, ConvertedOnceAndSharedAcrossThreads) {
  // First use from several threads at once (ctest runs each test in its own
  // process, so the table is still unconverted here): all see the same bytes.
  constexpr int kThreads = 8;
  std::vector<const char*> seen(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back(
        [&seen, i] { seen[i] = CaptionCp932(Vocabulary::kTransitions, WP_CLOCKHAND).data(); });
  }
  for (std::thread& t : threads) t.join();
  for (const char* p : seen) EXPECT_EQ(p, seen[0]);
  EXPECT_EQ(CaptionCp932(Vocabulary::kTransitions, WP_CLOCKHAND).data(), seen[0]);
  EXPECT_EQ(platform::Cp932ToUtf8(CaptionCp932(Vocabulary::kTransitions, WP_CLOCKHAND)),
            "時計の針");
}

// --- Lookup by name ---------------------------------------------------------

TEST(VocabularyLookup, ExactLookupComparesByteForByte) {
  EXPECT_EQ(FindByName(Properties(), "PR_NAME"), PR_NAME);
  EXPECT_EQ(FindByName(Properties(), "PR_MUTEONLOAD"), 158);
  EXPECT_EQ(FindByName(SystemVariables(), "@WheelUp"), 48);
  EXPECT_EQ(FindByName(SystemFunctions(), "OpenUrl"), 135);
  EXPECT_EQ(FindByName(ComponentKinds(), "LT_CABINET"), 27);
  EXPECT_EQ(FindByName(Operators(), "ocNEqual"), 20);
  EXPECT_EQ(FindByName(Commands(), "LoadCabinet"), CMD_LoadCabinet);
  EXPECT_EQ(FindByName(Keys(), "VkmWheelUp"), 69);
  EXPECT_EQ(FindByName(SystemPrompts(), "EXIT"), EXIT);

  EXPECT_EQ(FindByName(Properties(), "pr_name"), -1);
  EXPECT_EQ(FindByName(SystemFunctions(), "openurl"), -1);
  EXPECT_EQ(FindByName(SystemVariables(), "WheelUp"), -1);  // the '@' belongs to the name
  EXPECT_EQ(FindByName(Properties(), "PR_NAM"), -1);
  EXPECT_EQ(FindByName(Properties(), "PR_NAMEX"), -1);
  EXPECT_EQ(FindByName(Properties(), std::string_view("PR_NAME\0", 8)), -1);
  EXPECT_EQ(FindByName(Properties(), ""), -1);
  // Class names and captions are not names.
  EXPECT_EQ(FindByName(Commands(), "TComIf"), -1);
  EXPECT_EQ(FindByName(Commands(), "IF"), -1);
}

TEST(VocabularyLookup, CaseInsensitiveLookupFoldsOnlyAsciiLetters) {
  EXPECT_EQ(FindByNameIgnoreCase(Properties(), "pr_mUteOnLoad"), PR_MUTEONLOAD);
  EXPECT_EQ(FindByNameIgnoreCase(SystemFunctions(), "OPENURL"), FN_OpenUrl);
  EXPECT_EQ(FindByNameIgnoreCase(SystemFunctions(), "dbcreatetable"), FN_DBCreateTable);
  EXPECT_EQ(FindByNameIgnoreCase(SystemVariables(), "@wheelup"), SV_WheelUp);
  EXPECT_EQ(FindByNameIgnoreCase(Properties(), "PR_NAMEX"), -1);
  EXPECT_EQ(FindByNameIgnoreCase(SystemFunctions(), "Open Url"), -1);
  // '_' and '@' are not letters: no folding onto neighbouring codes.
  EXPECT_EQ(FindByNameIgnoreCase(Properties(), "PR\x7FNAME"), -1);
  EXPECT_EQ(FindByNameIgnoreCase(SystemVariables(), "`Result"), -1);
  // A double-byte character never matches, whatever its trail byte.
  EXPECT_EQ(FindByNameIgnoreCase(Keys(),
                                 "Vkm\x82"
                                 "A"),
            -1);
}

TEST(VocabularyLookup, CaptionOnlyTablesFindNothing) {
  EXPECT_EQ(FindByName(VariableScopes(), ""), -1);
  EXPECT_EQ(FindByName(VariableScopes(), "グローバル"), -1);
  EXPECT_EQ(FindByNameIgnoreCase(WallpaperPlacements(), ""), -1);
  EXPECT_EQ(FindByName({}, "PR_NAME"), -1);
}

}  // namespace
}  // namespace vesk::lang
