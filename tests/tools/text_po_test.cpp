// The .po reader and writer: what gettext tools write reads back, and
// every kind of broken file is an error naming its line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "vesk-tool/text_command.h"
#include "vesk-tool/text_po.h"

namespace vesk::tool::po {
namespace {

using ::testing::HasSubstr;

// The line and message of the error reading `text` gives.
std::pair<int, std::string> ErrorOf(const std::string& text) {
  try {
    ReadCatalog(text);
  } catch (const PoError& e) {
    return {e.line(), e.what()};
  }
  return {0, "no error"};
}

TEST(PoCatalog, ReadsEntriesWithCommentsFlagsEscapesAndContinuedStrings) {
  const Catalog c = ReadCatalog(
      "\xEF\xBB\xBF# translator's note\n"
      "msgid \"\"\n"
      "msgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n"
      "\n"
      "#. speaker: ハルカ\n"
      "#: start.lsb:12\n"
      "#, fuzzy, c-format\n"
      "msgctxt \"start.lsb:3:message\"\n"
      "msgid \"\"\n"
      "\"一行目<BR>\\n\"\n"
      "\"二行目\"\n"
      "msgstr \"tab\\there \\\"q\\\" back\\\\slash \\101\\x42\"\r\n"
      "#~ msgid \"old\"\n"
      "#~ msgstr \"obsolete\"\n"
      "msgctxt \"t\"\nmsgid \"x\"\nmsgstr \"\"\n");
  EXPECT_THAT(c.header, HasSubstr("charset=UTF-8"));
  ASSERT_EQ(c.entries.size(), 2u);
  const Entry& e = c.entries[0];
  EXPECT_EQ(e.context, "start.lsb:3:message");
  EXPECT_EQ(e.id, "一行目<BR>\n二行目");
  EXPECT_EQ(e.str, "tab\there \"q\" back\\slash AB");
  EXPECT_EQ(e.comments, std::vector<std::string>{"speaker: ハルカ"});
  EXPECT_EQ(e.references, std::vector<std::string>{"start.lsb:12"});
  EXPECT_EQ(e.flags, (std::vector<std::string>{"fuzzy", "c-format"}));
  EXPECT_TRUE(e.fuzzy());
  EXPECT_FALSE(e.translated());
  EXPECT_EQ(e.line, 5);
  EXPECT_EQ(e.str_line, 12);
  EXPECT_FALSE(c.entries[1].translated());  // empty msgstr
}

TEST(PoCatalog, WrittenCataloguesReadBackTheSame) {
  Catalog c;
  c.header = DefaultHeader("Vesk デモ");
  Entry a;
  a.has_context = true;
  a.context = "p.lsb:1:message";
  a.id = "line one\nline \"two\"\tend\\\n";
  a.str = "ctl\x01 and \x7f";
  a.comments = {"window: mes"};
  a.references = {"p.lsb:4"};
  a.flags = {"fuzzy"};
  c.entries.push_back(a);
  Entry b;
  b.has_context = true;
  b.context = "vesk.lpb:title";
  b.id = "題";
  c.entries.push_back(b);
  const std::string text = WriteCatalog(c);
  EXPECT_THAT(text, HasSubstr("msgid \"\"\n\"line one\\n\"\n\"line \\\"two\\\"\\tend\\\\\\n\"\n"));
  const Catalog back = ReadCatalog(text);
  EXPECT_EQ(back.header, c.header);
  ASSERT_EQ(back.entries.size(), 2u);
  EXPECT_EQ(back.entries[0].id, a.id);
  EXPECT_EQ(back.entries[0].str, a.str);
  EXPECT_EQ(back.entries[0].comments, a.comments);
  EXPECT_EQ(back.entries[0].flags, a.flags);
  EXPECT_EQ(back.entries[1].id, "題");
  EXPECT_EQ(WriteCatalog(back), text);
}

TEST(PoCatalog, BrokenFilesNameTheLineAndWhatWasWrong) {
  const std::string ok = "msgctxt \"a\"\nmsgid \"x\"\nmsgstr \"y\"\n";
  EXPECT_EQ(ErrorOf(ok + "msgctxt \"b\"\nmsgid \"x\nmsgstr \"\"\n"),
            std::make_pair(5, std::string("the string is not closed")));
  EXPECT_EQ(ErrorOf("msgid \"a\" b\"\nmsgstr \"\"\n").first, 1);
  EXPECT_THAT(ErrorOf("msgid \"a\\q\"\nmsgstr \"\"\n").second, HasSubstr("unknown escape \\q"));
  EXPECT_THAT(ErrorOf("msgid \"a\\\"\nmsgstr \"\"\n").second, HasSubstr("not closed"));
  EXPECT_THAT(ErrorOf("msgid \"a\\x\"\nmsgstr \"\"\n").second, HasSubstr("\\x without hex"));
  EXPECT_EQ(ErrorOf("msgid \"ok\"\nmsgstr \"\xC3\x28\"\n"),
            std::make_pair(2, std::string("the line is not valid UTF-8")));
  EXPECT_THAT(ErrorOf("msgid \"\\303\\050\"\nmsgstr \"\"\n").second, HasSubstr("invalid UTF-8"));
  EXPECT_EQ(ErrorOf(ok + ok).first, 4);
  EXPECT_THAT(ErrorOf(ok + ok).second, HasSubstr("a second entry with the context 'a'"));
  EXPECT_EQ(ErrorOf("\nmsgctxt \"a\"\nmsgid \"x\"\n\nmsgctxt \"b\"\n"),
            std::make_pair(2, std::string("the entry has no msgstr")));
  EXPECT_THAT(ErrorOf("msgid \"x\"\nmsgid_plural \"xs\"\nmsgstr[0] \"\"\n").second,
              HasSubstr("plural forms are not supported"));
  EXPECT_THAT(ErrorOf("msgstr \"y\"\n").second, HasSubstr("msgstr without a msgid"));
  EXPECT_THAT(ErrorOf("\"y\"\n").second, HasSubstr("continues no keyword"));
  EXPECT_THAT(ErrorOf("msgid x\nmsgstr \"\"\n").second, HasSubstr("double quotes"));
  EXPECT_THAT(ErrorOf("msgfoo \"x\"\n").second, HasSubstr("unknown keyword 'msgfoo'"));
  EXPECT_THAT(
      ErrorOf("msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n").second,
      HasSubstr("only UTF-8"));
}

TEST(PoCatalog, HugeEntriesAreRefusedBeforeTheyGrow) {
  const std::string piece = "\"" + std::string(64 * 1024, 'a') + "\"\n";
  std::string text = "msgctxt \"a\"\nmsgid \"\"\n";
  for (int i = 0; i < 20; ++i) text += piece;
  text += "msgstr \"\"\n";
  const auto [line, what] = ErrorOf(text);
  EXPECT_EQ(line, 1);
  EXPECT_THAT(what, HasSubstr("larger than 1 MiB"));
}

TEST(ShiftJisReplacement, MapsOnlyWhatShiftJisCannotHold) {
  EXPECT_EQ(ReplaceForShiftJis("caf\u00E9 \u2013 na\u00EFve\u00A0\u201Cok\u201D \u00C6sop"),
            "cafe - naive \u201Cok\u201D AEsop");  // curly double quotes exist in Shift-JIS
  EXPECT_EQ(ReplaceForShiftJis("wait\u2014 \u00DF \u00D7"), "wait\u2014 ss \u00D7");
  EXPECT_EQ(ReplaceForShiftJis("日本語…"), "日本語…");
}

}  // namespace
}  // namespace vesk::tool::po
