#include "storage/install_set.h"

#include <gtest/gtest.h>

#include <string>

namespace vesk::storage {
namespace {

const std::vector<int> kVersions = {0, 99, 100, 101, 102, 103, 104, 105, 106, 107};
const std::string kTitle = "\x83\x51\x81\x5B\x83\x80 Title";  // CP932

// Encodes a file field by field from the installer's layout, independently of
// WriteInstallSet, with every ignored field non-empty so a reader that
// misplaces one lands on the wrong bytes.
struct Encoder {
  std::vector<uint8_t> out;
  Encoder& Int(int64_t v, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<uint8_t>(uint64_t(v) >> (8 * i)));
    return *this;
  }
  Encoder& I32(int32_t v) { return Int(v, 4); }
  Encoder& U8(uint8_t v) {
    out.push_back(v);
    return *this;
  }
  Encoder& Str(const std::string& s) {
    I32(static_cast<int32_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
    return *this;
  }
};

struct Layout {
  int v = 107;
  int32_t record_count = 3;  // as stored
  int records = 3;           // as present
  bool complete = true;
  std::vector<std::string> extra = {};
  bool filled = true;  // false: the ignored fields empty or zero, as the writer makes them
  int32_t disk = 2;
};

std::vector<uint8_t> HandBuilt(const Layout& l) {
  auto text = [&](const char* s) { return std::string(l.filled ? s : ""); };
  const uint8_t flag = l.filled ? 1 : 0;
  const int v = l.v;
  Encoder e;
  if (v > 0)
    e.out = {'i', 's', uint8_t('0' + v / 100), uint8_t('0' + v / 10 % 10), uint8_t('0' + v % 10)};
  e.I32(l.disk).Str(kTitle);
  e.Str(text("C:\\Game")).Str(text("Group")).Str(text("src")).U8(flag).Str(text("readme"));
  e.U8(flag).I32(l.record_count).Str(text("setup")).I32(l.filled ? 77 : 0).U8(flag).U8(0);
  e.Str(text("uninstall")).Str(text("icon"));
  const int wide = v > 99 ? 8 : 4;
  for (int r = 0; r < l.records * 4; ++r) e.Int(0x0102030405060708LL + r, wide);
  for (int i = 0; i < 4; ++i) e.Int(l.filled ? -1 : 0, wide);
  e.U8(flag);
  if (v > 100) e.U8(flag);
  if (v > 101) {
    e.I32(static_cast<int32_t>(l.extra.size()));
    for (const auto& s : l.extra) e.Str(s);
  }
  if (v > 102) e.U8(l.complete ? 1 : 0);
  if (v > 103) e.U8(flag);
  if (v > 104) e.U8(flag);
  if (v > 105) {
    if (l.filled)
      e.I32(2).Str("font.ttf").Str("");
    else
      e.I32(0);
  }
  if (v > 106) e.Str(text("last"));
  return e.out;
}

TInstallSet Sample() {
  TInstallSet s;
  s.disk_index = 3;
  s.title = kTitle;
  s.complete_install = true;
  s.extra_files = {"movie\\op.mpg", "\x95\x5C\\a.dat"};
  return s;
}

// --- layout ---

TEST(InstallSet, ReadsEveryVersionOfTheInstallerLayout) {
  for (int v : kVersions) {
    const bool complete = v % 2 == 1;  // both values, so a misplaced read shows
    const TInstallSet s =
        ReadInstallSet(HandBuilt({.v = v, .complete = complete, .extra = {"a.dat", "", "b.dat"}}));
    EXPECT_EQ(s.version, v);
    EXPECT_EQ(s.disk_index, 2) << v;
    EXPECT_EQ(s.title, kTitle) << v;
    EXPECT_EQ(s.complete_install, v > 102 && complete) << v;
    const auto expected =
        v > 101 ? std::vector<std::string>{"a.dat", "b.dat"} : std::vector<std::string>{};
    EXPECT_EQ(s.extra_files, expected) << v;
  }
}

TEST(InstallSet, MagicNeedsThreeDigits) {
  auto bytes = WriteInstallSet(Sample(), 103);
  bytes[3] = 'x';
  EXPECT_THROW(ReadInstallSet(bytes), EInstallSet);
}

// --- writer ---

TEST(InstallSet, RoundTripsEveryVersion) {
  for (int v : kVersions) {
    const TInstallSet s = ReadInstallSet(WriteInstallSet(Sample(), v));
    EXPECT_EQ(s.version, v);
    EXPECT_EQ(s.disk_index, 3) << v;
    EXPECT_EQ(s.title, kTitle) << v;
    EXPECT_EQ(s.complete_install, v > 102) << v;
    EXPECT_EQ(s.extra_files, v > 101 ? Sample().extra_files : std::vector<std::string>{}) << v;
  }
}

TEST(InstallSet, WriterFollowsTheInstallerLayoutWithEmptyFields) {
  for (int v : kVersions) {
    const Layout l{.v = v,
                   .record_count = 0,
                   .records = 0,
                   .extra = Sample().extra_files,
                   .filled = false,
                   .disk = 3};
    EXPECT_EQ(WriteInstallSet(Sample(), v), HandBuilt(l)) << v;
  }
}

TEST(InstallSet, WriterRefusesVersionsTheMagicCannotHold) {
  EXPECT_THROW(WriteInstallSet(Sample(), -1), std::invalid_argument);
  EXPECT_THROW(WriteInstallSet(Sample(), 1000), std::invalid_argument);
}

TEST(InstallSet, VersionZeroDiskIndexThatLooksLikeTheMagicStillRoundTrips) {
  TInstallSet set = Sample();
  set.disk_index = 0x3839 << 16 | 's' << 8 | 'i';  // "is98"
  const TInstallSet s = ReadInstallSet(WriteInstallSet(set, 0));
  EXPECT_EQ(s.version, 0);
  EXPECT_EQ(s.disk_index, set.disk_index);
  EXPECT_EQ(s.title, kTitle);
}

// --- bad files ---

TEST(InstallSet, EveryTruncationIsAnError) {
  for (int v : kVersions) {
    const auto bytes = HandBuilt({.v = v, .record_count = 2, .records = 2, .extra = {"x"}});
    for (size_t size = 0; size < bytes.size(); ++size) {
      const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(size));
      EXPECT_THROW(ReadInstallSet(cut), EInstallSet) << "version " << v << " size " << size;
    }
  }
}

TEST(InstallSet, RecordCountThatCannotFitIsRejected) {
  for (int v : {99, 107}) {
    for (int32_t m : {0x7FFFFFFF, 0x10000000, 1000}) {
      try {
        ReadInstallSet(HandBuilt({.v = v, .record_count = m, .records = 3}));
        FAIL() << m;
      } catch (const EInstallSet& e) {
        EXPECT_NE(std::string(e.what()).find("record count"), std::string::npos) << e.what();
      }
    }
  }
}

TEST(InstallSet, NegativeCountsReadAsNone) {
  const TInstallSet s = ReadInstallSet(HandBuilt({.record_count = -5, .records = 0}));
  EXPECT_TRUE(s.complete_install);
}

TEST(InstallSet, ExtraFileCountThatCannotFitIsRejected) {
  auto bytes = HandBuilt({.v = 102});
  const uint8_t huge[4] = {0xFF, 0xFF, 0xFF, 0x7F};
  std::copy(huge, huge + 4, bytes.end() - 4);  // the count of an empty list ends the file
  EXPECT_THROW(ReadInstallSet(bytes), EInstallSet);
}

}  // namespace
}  // namespace vesk::storage
