#include "core/record_io.h"

#include <gtest/gtest.h>

#include <array>

namespace vesk {
namespace {

enum class Shade : uint8_t { kDark, kMid, kLight };

// A record with one field of each kind, one that came with version 105
// (absent before: -1) and a counted list.
struct Sample {
  int32_t id = 0;
  uint8_t raw = 0, flag = 0;
  bool on = false;
  std::string name;
  Real ratio = 0;
  int64_t big = 0;
  Shade shade = Shade::kDark;
  std::array<uint8_t, 3> bytes{};
  std::vector<uint8_t> blob;
  int32_t later = 0;
  std::vector<std::string> tags;
  int32_t level = 0;  // loaded into [0, 9]

  void Transfer(RecordIO& io) {
    io.I32(id, "id");
    io.U8(raw, "raw");
    io.Flag(flag, "flag");
    io.Bool8(on, "on");
    io.Str(name, "name");
    io.Ext(ratio, "ratio");
    io.I64(big, "big");
    io.AsU8(shade, "shade");
    io.Bytes(bytes.data(), bytes.size(), "bytes");
    io.Blob(blob, "blob size", "blob");
    if (io.Since(105))
      io.I32(later, "later");
    else
      io.Absent(later, -1);
    io.List(tags, 4, "tags", [&](std::string& t) { io.Str(t, "tag"); });
    io.I32In(level, 0, 9, "level");
  }
};

Sample Filled() {
  Sample s;
  s.id = -2;
  s.raw = 0xFE;
  s.flag = 1;
  s.on = true;
  s.name = "\x83\x65st";
  s.ratio = 0.1L;
  s.big = -5'000'000'000;
  s.shade = Shade::kLight;
  s.bytes = {9, 8, 7};
  s.blob = {0, 0xFF};
  s.later = 77;
  s.tags = {"a", "bc"};
  s.level = 4;
  return s;
}

std::vector<uint8_t> Save(Sample s, int32_t version) {
  ByteWriter out;
  RecordIO io(out, version);
  s.Transfer(io);
  return out.bytes();
}

Sample Load(const std::vector<uint8_t>& bytes, int32_t version, bool* consumed = nullptr) {
  ByteReader in(bytes.data(), bytes.size());
  RecordIO io(in, version);
  Sample s;
  s.Transfer(io);
  if (consumed) *consumed = in.at_end();
  return s;
}

TEST(RecordIO, FieldsGoOutInOrderAndComeBackAtEitherVersion) {
  ByteWriter want;
  want.I32(-2);
  want.U8(0xFE);
  want.U8(1);
  want.U8(1);
  want.Str("\x83\x65st");
  want.Ext(0.1L);
  want.I64(-5'000'000'000);
  want.U8(2);
  for (uint8_t b : {9, 8, 7}) want.U8(b);
  want.I32(2);
  want.U8(0);
  want.U8(0xFF);
  const size_t before_later = want.bytes().size();
  want.I32(77);
  want.I32(2);
  want.Str("a");
  want.Str("bc");
  want.I32(4);
  EXPECT_EQ(Save(Filled(), 105), want.bytes());

  std::vector<uint8_t> old_form = want.bytes();
  old_form.erase(old_form.begin() + static_cast<ptrdiff_t>(before_later),
                 old_form.begin() + static_cast<ptrdiff_t>(before_later + 4));
  EXPECT_EQ(Save(Filled(), 104), old_form);

  for (int32_t version : {104, 105}) {
    SCOPED_TRACE(version);
    const std::vector<uint8_t> bytes = Save(Filled(), version);
    bool consumed = false;
    const Sample back = Load(bytes, version, &consumed);
    EXPECT_TRUE(consumed);
    EXPECT_EQ(back.id, -2);
    EXPECT_EQ(back.raw, 0xFE);
    EXPECT_TRUE(back.on);
    EXPECT_EQ(back.name, "\x83\x65st");
    EXPECT_EQ(back.ratio, 0.1L);
    EXPECT_EQ(back.big, -5'000'000'000);
    EXPECT_EQ(back.shade, Shade::kLight);
    EXPECT_EQ(back.bytes, (std::array<uint8_t, 3>{9, 8, 7}));
    EXPECT_EQ(back.blob, (std::vector<uint8_t>{0, 0xFF}));
    EXPECT_EQ(back.later, version >= 105 ? 77 : -1);
    EXPECT_EQ(back.tags, (std::vector<std::string>{"a", "bc"}));
    EXPECT_EQ(Save(back, version), bytes);
  }
}

TEST(RecordIO, LoadsNormaliseFlagsAndClampWhileSavesWriteWhatIsHeld) {
  Sample s = Filled();
  s.flag = 7;
  s.level = 12;
  const std::vector<uint8_t> bytes = Save(s, 105);
  EXPECT_EQ(bytes[5], 7);
  EXPECT_EQ(bytes[bytes.size() - 4], 12);
  const Sample back = Load(bytes, 105);
  EXPECT_EQ(back.flag, 1);
  EXPECT_EQ(back.level, 9);
}

TEST(RecordIO, ViaHandsLoadedValuesToTheSetterOnly) {
  std::vector<std::string> set;
  auto transfer = [&](RecordIO& io, const std::string& held) {
    io.Via(&RecordIO::Str, held, "source", [&](const std::string& v) { set.push_back(v); });
  };
  ByteWriter out;
  RecordIO saving(out, 1);
  transfer(saving, "pic.orl");
  EXPECT_TRUE(set.empty());
  ByteReader in(out.bytes().data(), out.bytes().size());
  RecordIO loading(in, 1);
  transfer(loading, "ignored");
  EXPECT_EQ(set, (std::vector<std::string>{"pic.orl"}));
}

TEST(RecordIO, EveryCutNamesTheFieldItStopsIn) {
  const std::vector<uint8_t> bytes = Save(Filled(), 105);
  for (size_t n = 0; n < bytes.size(); ++n) {
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n));
    try {
      Load(cut, 105);
      ADD_FAILURE() << "cut at " << n << " loaded";
    } catch (const ETruncated& e) {
      // A cut inside the list leaves too few bytes for its count.
      const std::string what = e.what();
      EXPECT_TRUE(what.rfind("truncated ", 0) == 0 || what == "tags out of range") << what;
    }
  }
  try {
    Load(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 6), 105);
    ADD_FAILURE();
  } catch (const ETruncated& e) {
    EXPECT_STREQ(e.what(), "truncated on at offset 6");
  }
}

TEST(RecordIO, HostileCountsAreRefusedBeforeAnythingIsAllocated) {
  auto list_of = [](int32_t count, const std::vector<std::string>& items) {
    ByteWriter w;
    w.I32(count);
    for (const auto& s : items) w.Str(s);
    return w.bytes();
  };
  auto load = [](const std::vector<uint8_t>& bytes, RecordIO::Negative negative,
                 RecordIO::Offset offset = RecordIO::Offset::kUnnamed) {
    ByteReader in(bytes.data(), bytes.size());
    RecordIO io(in, 1);
    std::vector<std::string> list{"stale"};
    io.List(
        list, 4, "names", [&](std::string& s) { io.Str(s, "name"); }, negative, offset);
    return list;
  };
  using N = RecordIO::Negative;
  for (N negative : {N::kRefused, N::kNone}) {
    // Two items need at least 8 bytes; one 5-byte item is there.
    EXPECT_THROW(load(list_of(INT32_MAX, {"x"}), negative), ETruncated);
    EXPECT_THROW(load(list_of(3, {"x"}), negative), ETruncated);
  }
  try {
    load(list_of(INT32_MAX, {}), N::kRefused);
    ADD_FAILURE();
  } catch (const ETruncated& e) {
    EXPECT_STREQ(e.what(), "names out of range");
  }
  try {
    load(list_of(2, {"x"}), N::kNone, RecordIO::Offset::kNamed);
    ADD_FAILURE();
  } catch (const ETruncated& e) {
    EXPECT_STREQ(e.what(), "names out of range at offset 4");
  }
  EXPECT_THROW(load(list_of(-1, {}), N::kRefused), ETruncated);
  EXPECT_TRUE(load(list_of(-1, {}), N::kNone).empty());
  EXPECT_EQ(load(list_of(2, {"x", "yz"}), N::kRefused), (std::vector<std::string>{"x", "yz"}));

  // A list cut inside its second item keeps the first, whole.
  const std::vector<uint8_t> bytes = list_of(2, {"x", "yz"});
  ByteReader cut(bytes.data(), bytes.size() - 1);
  RecordIO io(cut, 1);
  std::vector<std::string> list;
  EXPECT_THROW(io.List(list, 4, "names", [&](std::string& s) { io.Str(s, "name"); }), ETruncated);
  EXPECT_EQ(list, (std::vector<std::string>{"x"}));
}

}  // namespace
}  // namespace vesk
