#include "anim/film_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "anim/film_math.h"
#include "anim/film_samples.h"
#include "core/byte_writer.h"
#include "storage/vrfiles.h"

namespace vesk::anim {
namespace {

using testing::SampleFilm;

// Films made by hand, byte by byte, so the version rules are checked
// against the layout itself rather than against our writer.
class FilmBytes {
 public:
  FilmBytes(const std::string& magic_and_version, int32_t version, int32_t loop_start = 0)
      : version_(version) {
    w_.Bytes(reinterpret_cast<const uint8_t*>(magic_and_version.data()), magic_and_version.size());
    w_.I32(64);
    w_.I32(48);
    w_.I32(-1);
    if (version >= 102) w_.U8(0);
    if (version >= 104) {
      w_.I32(0);
      w_.I32(0);
    }
    if (version >= 106) w_.I32(loop_start);
  }
  FilmBytes& Count(int32_t n) {
    w_.I32(n);
    return *this;
  }
  FilmBytes& Common(uint8_t kind, int32_t parent, int32_t length, int32_t start = 0,
                    int32_t cycle = 0) {
    w_.U8(kind);
    for (int32_t v : {parent, length, 0, start, cycle, 0}) w_.I32(v);
    for (int i = 0; i < 3; ++i) w_.U8(0);
    return *this;
  }
  FilmBytes& Ints(std::initializer_list<int32_t> values) {
    for (int32_t v : values) w_.I32(v);
    return *this;
  }
  FilmBytes& Byte(uint8_t b) {
    w_.U8(b);
    return *this;
  }
  FilmBytes& Str(const std::string& s) {
    w_.Str(s);
    return *this;
  }
  FilmBytes& Real(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    w_.I64(static_cast<int64_t>(bits));
    return *this;
  }
  FilmBytes& Clip(int32_t first) {
    for (int32_t i = 0; i < 8; ++i) w_.I32(first + i);
    return Byte(0).Byte(0);
  }
  // A box record after its common part.
  FilmBytes& Box() {
    Ints({1, 2, 3, 4}).Byte(0).Byte(0);
    for (int i = 0; i < 12; ++i) w_.I32(i);
    if (version_ >= 101) Clip(0);
    return *this;
  }
  FilmBytes& ImagePart(double zoom_x) {
    Ints({0, 0, 10, 20, 30, 40}).Byte(0).Byte(0).Ints({0, 0});
    Real(zoom_x).Real(zoom_x * 2).Byte(1).Ints({0, 0}).Byte(0);
    if (version_ >= 101) Clip(100);
    if (version_ >= 105) Real(3).Real(4).Byte(2);
    return *this;
  }
  std::vector<uint8_t> bytes() { return w_.bytes(); }

 private:
  int32_t version_;
  ByteWriter w_;
};

FilmData Read(const std::vector<uint8_t>& bytes) {
  auto film = ReadFilm(bytes, "test.lcm");
  EXPECT_TRUE(film.has_value());
  return film.value_or(FilmData{});
}

// The message of the error reading `bytes` raises, or "" when none.
std::string ErrorOf(const std::vector<uint8_t>& bytes) {
  try {
    (void)ReadFilm(bytes, "bad.lcm");
  } catch (const EFilmFile& e) {
    return e.what();
  }
  return "";
}

TEST(FilmFile, EveryKindWritesReadsAndWritesTheSameBytes) {
  const FilmData film = SampleFilm();
  const std::vector<uint8_t> bytes = WriteFilm(film);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 13), "VeskCinema108");
  const FilmData back = Read(bytes);
  EXPECT_EQ(back, film);
  EXPECT_EQ(WriteFilm(back), bytes);

  FilmData motion = film;
  motion.FileKind = FilmFileKind::kMotion;
  const std::vector<uint8_t> motion_bytes = WriteFilm(motion);
  EXPECT_EQ(std::string(motion_bytes.begin(), motion_bytes.begin() + 10), "VeskMotion");
  EXPECT_EQ(Read(motion_bytes).FileKind, FilmFileKind::kMotion);
}

TEST(FilmFile, Version105DoublesFrames) {
  const auto bytes = FilmBytes("VeskMotion105", 105)
                         .Count(2)
                         .Common(2, -1, 15, 5, 3)
                         .Box()
                         .Common(0, -1, 1)
                         .ImagePart(1.5)
                         .Str("a.orl")
                         .bytes();
  const FilmData film = Read(bytes);
  EXPECT_EQ(film.Version, 105);
  EXPECT_EQ(film.FileKind, FilmFileKind::kMotion);
  ASSERT_EQ(film.Lists.size(), 2u);
  EXPECT_EQ(film.Lists[0].Length, 30);
  EXPECT_EQ(film.Lists[0].OwnStart, 10);
  EXPECT_EQ(film.Lists[0].Cycle, 6);
  EXPECT_EQ(film.LoopStart, 0);
  EXPECT_EQ(film.Lists[1].Length, 2);
  const ImagePart& part = std::get<ImageListData>(film.Lists[1].Data).Image;
  EXPECT_EQ(part.StartZoomY, 3.0);
  EXPECT_EQ(part.EaseZoomY, 2);
  EXPECT_EQ(part.Clip.StartClipPos, (FilmPoint{100, 101}));
  EXPECT_EQ(std::get<ImageListData>(film.Lists[1].Data).Source, "a.orl");
  // Written back in the same version, the file is the same.
  EXPECT_EQ(WriteFilm(film), bytes);
}

TEST(FilmFile, Before105ZoomYTakesTheZoomXValues) {
  const auto bytes =
      FilmBytes("VeskCinema104", 104).Count(1).Common(0, -1, 2).ImagePart(1.5).Str("a").bytes();
  const FilmData film = Read(bytes);
  const ImagePart& part = std::get<ImageListData>(film.Lists[0].Data).Image;
  EXPECT_EQ(part.StartZoomY, 1.5);
  EXPECT_EQ(part.EndZoomY, 3.0);
  EXPECT_EQ(part.EaseZoomY, 1);
  EXPECT_EQ(WriteFilm(film), bytes);
}

TEST(FilmFile, Version106DoublesLoopStartAnd107DoublesNothing) {
  const FilmData v106 =
      Read(FilmBytes("VeskCinema106", 106, 12).Count(1).Common(2, -1, 15).Box().bytes());
  EXPECT_EQ(v106.LoopStart, 24);
  EXPECT_EQ(v106.Lists[0].Length, 30);
  const FilmData v107 =
      Read(FilmBytes("VeskCinema107", 107, 12).Count(1).Common(2, -1, 15).Box().bytes());
  EXPECT_EQ(v107.LoopStart, 12);
  EXPECT_EQ(v107.Lists[0].Length, 15);
}

TEST(FilmFile, SoundVolumesBefore108AreDecibels) {
  auto sound = [](const std::string& magic, int32_t version) {
    return FilmBytes(magic, version)
        .Count(1)
        .Common(4, -1, 10)
        .Str("bell.wav")
        .Ints({-2000, 0, -300, 300})
        .Byte(0)
        .Byte(0)
        .bytes();
  };
  const FilmData old = Read(sound("VeskCinema107", 107));
  const auto& s = std::get<SoundListData>(old.Lists[0].Data);
  EXPECT_EQ(s.StartVolume, 800);
  EXPECT_EQ(s.EndVolume, 1000);
  EXPECT_EQ(s.StartBalance, -300);
  const FilmData current = Read(sound("VeskCinema108", 108));
  EXPECT_EQ(std::get<SoundListData>(current.Lists[0].Data).StartVolume, -2000);
  // The writer converts back: the old file comes out as it went in.
  EXPECT_EQ(WriteFilm(old), sound("VeskCinema107", 107));
}

TEST(FilmFile, OldLabelsAndWipesAndBoxesWithoutClip) {
  const auto bytes = FilmBytes("VeskCinema100", 100)
                         .Count(3)
                         .Common(1, -1, 4)
                         .ImagePart(1)
                         .Str("hello")
                         .Byte(1)
                         .Str("font")
                         .Ints({16, 777})  // the height, then four ignored bytes
                         .Byte(3)
                         .Ints({0xFF})
                         .Common(3, -1, 4)
                         .Byte(5)
                         .Common(2, -1, 4)
                         .Box()
                         .bytes();
  const FilmData film = Read(bytes);
  ASSERT_EQ(film.Lists.size(), 3u);
  const auto& label = std::get<LabelListData>(film.Lists[0].Data);
  EXPECT_EQ(label.Text, "hello");
  EXPECT_EQ(label.FontHeight, 16);
  EXPECT_EQ(label.LineSpace, 0);
  EXPECT_EQ(label.FontStyle, 3);
  EXPECT_EQ(label.FontColor, 0xFF);
  EXPECT_EQ(label.HAlign, 0);
  EXPECT_EQ(std::get<WipeListData>(film.Lists[1].Data).WipeType, 5);
  EXPECT_EQ(std::get<WipeListData>(film.Lists[1].Data).RuleImage, "");
  EXPECT_EQ(std::get<BoxListData>(film.Lists[2].Data).Clip, ClipBlock{});
  EXPECT_EQ(film.Lists[2].Length, 8);
}

TEST(FilmFile, TileUsesItsSecondClipBlock) {
  FilmBytes b("VeskCinema108", 108);
  b.Count(1).Common(5, -1, 4).ImagePart(1).Str("sky.orl");
  b.Ints({1, 2, 3, 4, 5, 6, 7, 8}).Byte(0).Byte(0).Ints({9, 10}).Clip(500);
  const auto bytes = b.bytes();
  const FilmData film = Read(bytes);
  const auto& tile = std::get<TileListData>(film.Lists[0].Data);
  EXPECT_EQ(tile.Clip.StartClipPos, (FilmPoint{500, 501}));
  EXPECT_EQ(tile.Clip.EndClipSize, (FilmPoint{506, 507}));
  EXPECT_EQ(tile.Image.Clip.StartClipPos, (FilmPoint{100, 101}));
  EXPECT_EQ(tile.DistanceY, 10);
  EXPECT_EQ(WriteFilm(film), bytes);  // both blocks are kept
}

TEST(FilmFile, ParticleWithEmptySourceStillReadsItsFields) {
  FilmBytes b("VeskCinema108", 108);
  b.Count(2).Common(6, -1, 4).Str("").Byte(2).Ints({250});
  b.Ints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}).Byte(1).Byte(2);
  b.Real(0.5).Real(1).Real(2).Real(3).Real(4).Real(5);
  b.Ints({20, 21, 22, 23}).Byte(0).Byte(0).Ints({30, 31, 32, 33}).Clip(40).Ints({-5, 6});
  b.Common(2, -1, 4).Box();
  const FilmData film = Read(b.bytes());
  ASSERT_EQ(film.Lists.size(), 2u);
  const auto& p = std::get<ParticleListData>(film.Lists[0].Data);
  EXPECT_EQ(p.Source, "");
  EXPECT_EQ(p.PartMotion, 2);
  EXPECT_EQ(p.WarmUp_ms, 250);
  EXPECT_EQ(p.EndYRange, 12);
  EXPECT_EQ(p.EndParam3, 5.0);
  EXPECT_EQ(p.EndHeight, 33);
  EXPECT_EQ(p.Clip.StartClipPos, (FilmPoint{40, 41}));
  EXPECT_EQ(p.EndAlpha, 6);
  EXPECT_EQ(std::get<BoxListData>(film.Lists[1].Data).EndPos, (FilmPoint{3, 4}));
}

TEST(FilmFile, KindBit7IsIgnoredAndParentsOutsideTheListsAreNone) {
  const FilmData film = Read(FilmBytes("VeskCinema108", 108)
                                 .Count(3)
                                 .Common(0x82, 5, 4)
                                 .Box()
                                 .Common(2, 0, 4)
                                 .Box()
                                 .Common(2, -7, 4)
                                 .Box()
                                 .bytes());
  EXPECT_EQ(film.Lists[0].Kind(), FrameListKind::kBox);
  EXPECT_EQ(film.Lists[0].Parent, -1);
  EXPECT_EQ(film.Lists[1].Parent, 0);
  EXPECT_EQ(film.Lists[2].Parent, -1);
  EXPECT_EQ(FrameCount(film), 8);
}

TEST(FilmFile, AnotherMagicIsAnEmptyFilm) {
  const std::string other = "VeskPrevMenu101";
  EXPECT_FALSE(ReadFilm(std::vector<uint8_t>(other.begin(), other.end()), "x").has_value());
  EXPECT_FALSE(ReadFilm(std::vector<uint8_t>{'V', 'e', 's', 'k'}, "x").has_value());
  EXPECT_FALSE(ReadFilm(std::vector<uint8_t>{}, "x").has_value());
}

TEST(FilmFile, MalformedFilesNameTheFileAndTheFault) {
  const std::string unknown = ErrorOf(
      FilmBytes("VeskCinema108", 108).Count(2).Common(2, -1, 4).Box().Common(8, -1, 4).bytes());
  EXPECT_NE(unknown.find("bad.lcm"), std::string::npos) << unknown;
  EXPECT_NE(unknown.find("list 1: unknown kind 8"), std::string::npos) << unknown;

  EXPECT_NE(ErrorOf(FilmBytes("VeskCinema1x8", 108).Count(0).bytes()).find("three digits"),
            std::string::npos);
  EXPECT_NE(ErrorOf(FilmBytes("VeskCinema 99", 99).Count(0).bytes()).find("three digits"),
            std::string::npos);

  const auto loop = FilmBytes("VeskCinema108", 108)
                        .Count(3)
                        .Common(2, -1, 4)
                        .Box()
                        .Common(2, 2, 4)
                        .Box()
                        .Common(2, 1, 4)
                        .Box()
                        .bytes();
  EXPECT_NE(ErrorOf(loop).find("loops"), std::string::npos);
  const auto self = FilmBytes("VeskCinema108", 108).Count(1).Common(2, 0, 4).Box().bytes();
  EXPECT_NE(ErrorOf(self).find("loops"), std::string::npos);

  // A count the bytes cannot hold is refused before anything is made.
  const std::string huge = ErrorOf(FilmBytes("VeskCinema108", 108).Count(0x7FFFFFFF).bytes());
  EXPECT_NE(huge.find("frame list count"), std::string::npos) << huge;
  EXPECT_NE(ErrorOf(FilmBytes("VeskCinema108", 108).Count(-1).bytes()), "");
  // A string longer than the file.
  const std::string cut_string =
      ErrorOf(FilmBytes("VeskCinema108", 108).Count(1).Common(4, -1, 4).Ints({1 << 30}).bytes());
  EXPECT_NE(cut_string.find("list 0 (sound): truncated sound source"), std::string::npos)
      << cut_string;
}

TEST(FilmFile, CutAtEveryByteIsAnErrorNeverACrash) {
  const std::vector<uint8_t> bytes = WriteFilm(SampleFilm());
  for (size_t size = 0; size < bytes.size(); ++size) {
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(size));
    if (size < kFilmMagicBytes) {
      EXPECT_FALSE(ReadFilm(cut, "cut.lcm").has_value()) << size;
      continue;
    }
    EXPECT_THROW((void)ReadFilm(cut, "cut.lcm"), EFilmFile) << size;
  }
}

TEST(FilmFile, OldVersionsWriteHalvedFramesAndLeaveOutNewerFields) {
  FilmData film = SampleFilm();
  for (FrameList& list : film.Lists) {
    list.Length = 2 * list.Length;
    list.OwnStart = 2 * list.OwnStart;
    list.Cycle = 2 * list.Cycle;
  }
  for (int32_t version : {100, 101, 102, 103, 104, 105, 106, 107}) {
    film.Version = version;
    const FilmData back = Read(WriteFilm(film));
    EXPECT_EQ(back.Version, version);
    ASSERT_EQ(back.Lists.size(), film.Lists.size());
    for (size_t i = 0; i < film.Lists.size(); ++i) {
      EXPECT_EQ(back.Lists[i].Kind(), film.Lists[i].Kind());
      EXPECT_EQ(back.Lists[i].Length, film.Lists[i].Length) << version;
    }
    EXPECT_EQ(std::get<SoundListData>(back.Lists[4].Data).StartVolume, 800) << version;
    EXPECT_EQ(back.Relative, version >= 102 ? 1 : 0);
    EXPECT_EQ(back.LoopStart, version >= 106 ? 30 : 0);
  }
}

TEST(FilmFile, ReadThroughTheVirtualFiles) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("vesk-film-" + std::to_string(::getpid()));
  fs::create_directories(dir / "films");
  const std::vector<uint8_t> bytes = WriteFilm(SampleFilm());
  std::ofstream(dir / "films" / "title.lcm", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  {
    storage::TVrFileManager files;
    files.AddFolder(dir.string());
    const auto film = ReadFilmFile(files, "FILMS\\title.lcm");
    ASSERT_TRUE(film.has_value());
    EXPECT_EQ(*film, SampleFilm());
    // A missing film is the file manager's error, not a damaged film.
    try {
      (void)ReadFilmFile(files, "films\\none.lcm");
      ADD_FAILURE() << "no error";
    } catch (const EFilmFile&) {
      ADD_FAILURE() << "a missing file read as damaged";
    } catch (const EVeskError& e) {
      EXPECT_NE(std::string(e.what()).find("none.lcm"), std::string::npos);
    }
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vesk::anim
