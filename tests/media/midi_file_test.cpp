#include "media/midi_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "media/smf_builder.h"

namespace vesk::media {
namespace {

using test::Bytes;
using test::SmfFile;
using test::TrackBody;
using testing::ElementsAre;
using testing::HasSubstr;

TMidiV Load(const Bytes& file) {
  TMidiV song;
  song.LoadSong(file);
  return song;
}

std::string LoadError(const Bytes& file) {
  TMidiV song;
  try {
    song.LoadSong(file);
  } catch (const EMidiFile& e) {
    EXPECT_TRUE(song.events().empty());
    return e.what();
  }
  ADD_FAILURE() << "the file loaded";
  return {};
}

std::vector<int32_t> Times(const TMidiV& song) {
  std::vector<int32_t> times;
  for (const auto& e : song.events()) times.push_back(e.time_ms);
  return times;
}

TEST(MidiFile, ReadsEventsWithTheirKindsBytesAndCategories) {
  const auto song = Load(SmfFile(0, 96)
                             .Track(TrackBody()
                                        .At(0, {0xFF, 0x03, 0x02, 'h', 'i'})
                                        .At(0, {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00,
                                                0x7F, 0x00, 0x41, 0xF7})
                                        .At(0, {0xF7, 0x02, 0x01, 0x02})
                                        .At(0, {0xC0, 0x05})
                                        .At(0, {0xB0, 0x07, 0x64})
                                        .At(10, {0x90, 0x3C, 0x40})
                                        .At(200, {0x80, 0x3C, 0x00})
                                        .At(0, {0xE0, 0x00, 0x40})
                                        .End(5))
                             .Build());
  EXPECT_EQ(song.format(), 0);
  EXPECT_EQ(song.track_count(), 1);
  EXPECT_EQ(song.division(), 96);
  const auto& ev = song.events();
  ASSERT_EQ(ev.size(), 9u);
  EXPECT_EQ(ev[0].kind, MidiEventKind::kMeta);
  EXPECT_THAT(ev[0].data, ElementsAre(0xFF, 0x03, 'h', 'i'));
  EXPECT_EQ(ev[1].kind, MidiEventKind::kSysEx);
  EXPECT_EQ(ev[1].category, MidiCategory::kGsReset);
  EXPECT_EQ(ev[1].length(), 11);
  EXPECT_THAT(ev[2].data, ElementsAre(0xF7, 0x01, 0x02));
  EXPECT_EQ(ev[2].category, MidiCategory::kNone);
  EXPECT_THAT(ev[3].data, ElementsAre(0xC0, 0x05));
  EXPECT_EQ(ev[4].category, MidiCategory::kControlChange);
  EXPECT_EQ(ev[5].category, MidiCategory::kNoteOn);
  EXPECT_EQ(ev[5].tick, 10);
  EXPECT_EQ(ev[5].delta, 10);
  EXPECT_EQ(ev[6].category, MidiCategory::kNoteOff);
  EXPECT_EQ(ev[6].tick, 210);
  EXPECT_EQ(ev[6].delta, 200);
  EXPECT_EQ(ev[7].kind, MidiEventKind::kChannel);
  EXPECT_EQ(ev[7].category, MidiCategory::kNone);
  EXPECT_EQ(ev[8].category, MidiCategory::kEndOfTrack);
  EXPECT_EQ(ev[8].tick, 215);
  for (size_t i = 0; i < ev.size(); ++i) EXPECT_EQ(ev[i].serial, static_cast<int32_t>(i));
}

TEST(MidiFile, GsResetNeedsExactlyItsElevenBytes) {
  const Bytes gs{0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
  EXPECT_EQ(ClassifyMidiEvent(MidiEventKind::kSysEx, gs), MidiCategory::kGsReset);
  Bytes longer = gs;
  longer.push_back(0xF7);
  EXPECT_EQ(ClassifyMidiEvent(MidiEventKind::kSysEx, longer), MidiCategory::kNone);
  Bytes other = gs;
  other[7] = 0x7E;
  EXPECT_EQ(ClassifyMidiEvent(MidiEventKind::kSysEx, other), MidiCategory::kNone);
}

TEST(MidiFile, RunningStatusRepeatsTheLastStatusOfAnyKind) {
  const auto song = Load(SmfFile(0, 96)
                             .Track(TrackBody()
                                        .At(0, {0x91, 0x3C, 0x40})
                                        .At(1, {0x3E, 0x41})  // note-on under running status
                                        .At(1, {0x3C, 0x00})  // velocity 0: a note-off
                                        .At(0, {0xC2, 0x07})
                                        .At(0, {0x08})  // program change again
                                        .At(0, {0xFF, 0x01, 0x00})
                                        .At(0, {0x06, 0x01, 'A'})  // a meta event again
                                        .End())
                             .Build());
  const auto& ev = song.events();
  ASSERT_EQ(ev.size(), 8u);
  EXPECT_THAT(ev[1].data, ElementsAre(0x91, 0x3E, 0x41));
  EXPECT_EQ(ev[1].category, MidiCategory::kNoteOn);
  EXPECT_THAT(ev[2].data, ElementsAre(0x91, 0x3C, 0x00));
  EXPECT_EQ(ev[2].category, MidiCategory::kNoteOff);
  EXPECT_EQ(ev[2].tick, 2);
  EXPECT_THAT(ev[4].data, ElementsAre(0xC2, 0x08));
  EXPECT_EQ(ev[6].kind, MidiEventKind::kMeta);
  EXPECT_THAT(ev[6].data, ElementsAre(0xFF, 0x06, 'A'));
  EXPECT_EQ(song.running_status(), 0xFF);
}

TEST(MidiFile, TimesFollowTheTempoMapAcrossChanges) {
  // 100 ticks per quarter: 5 ms a tick at the starting 500000 us, 10 ms at
  // 1000000 and 2.5 ms at 250000.
  const auto song = Load(SmfFile(0, 100)
                             .Track(TrackBody()
                                        .At(0, {0x90, 0x3C, 0x40})
                                        .Tempo(100, 1000000)  // timed under the old tempo
                                        .At(50, {0x80, 0x3C, 0x00})
                                        .Tempo(50, 250000)
                                        .At(40, {0x90, 0x3E, 0x40})
                                        .End(400))
                             .Build());
  EXPECT_THAT(Times(song), ElementsAre(0, 500, 1000, 1500, 1600, 2600));
  EXPECT_EQ(song.song_length_ms(), 2600);
}

TEST(MidiFile, TempoOfTheFirstTrackTimesTheOthersInFormat1) {
  const auto song =
      Load(SmfFile(1, 100)
               .Track(TrackBody().Tempo(100, 1000000).End(1000))
               .Track(TrackBody().At(50, {0x90, 0x3C, 0x40}).At(100, {0x80, 0x3C, 0x00}).End(0))
               .Build());
  // Merged: note@50 (250), tempo@100 (500), note-off@150 (1000),
  // track 1's end@150 (1000), track 0's end@1100 (10500).
  EXPECT_THAT(Times(song), ElementsAre(250, 500, 1000, 1000, 10500));
}

TEST(MidiFile, TempoEventsWithoutThreeBytesLeaveTheTempo) {
  const auto song = Load(SmfFile(0, 100)
                             .Track(TrackBody()
                                        .At(0, {0xFF, 0x51, 0x02, 0x0F, 0x42})
                                        .At(100, {0x90, 0x3C, 0x40})
                                        .End(100))
                             .Build());
  EXPECT_EQ(song.events()[0].category, MidiCategory::kTempo);
  EXPECT_THAT(Times(song), ElementsAre(0, 500, 1000));
}

TEST(MidiFile, EachIntervalRoundsOnItsOwnHalvesToEven) {
  // 1000 ticks per quarter at 500000 us: exactly half a millisecond a tick.
  const auto song = Load(SmfFile(0, 1000)
                             .Track(TrackBody()
                                        .At(1, {0x90, 0x3C, 0x40})  // 0.5 -> 0
                                        .At(1, {0x90, 0x3D, 0x40})  // 0.5 -> 0
                                        .At(3, {0x90, 0x3E, 0x40})  // 1.5 -> 2
                                        .At(5, {0x90, 0x3F, 0x40})  // 2.5 -> 2
                                        .End(7))                    // 3.5 -> 4
                             .Build());
  EXPECT_THAT(Times(song), ElementsAre(0, 0, 2, 4, 8));
}

TEST(MidiFile, MillisecondsPerTickKeepTheFloatRounding) {
  // 96 ticks per quarter: 125/24 ms a tick, 5.2083335 as a float, so 12
  // ticks are just above 62.5 ms and round up; so are 84 ticks above
  // 437.5 ms.
  const auto song =
      Load(SmfFile(0, 96).Track(TrackBody().At(12, {0x90, 0x3C, 0x40}).End(84)).Build());
  EXPECT_THAT(Times(song), ElementsAre(63, 501));
}

TEST(MidiFile, Format1MergesByTickThenTrackKeepingEachTracksOrder) {
  const auto song = Load(SmfFile(1, 96)
                             .Track(TrackBody()
                                        .At(0, {0xFF, 0x03, 0x01, 'a'})
                                        .At(10, {0xB0, 0x07, 0x10})
                                        .At(0, {0xB0, 0x0A, 0x20})
                                        .End(0))
                             .Track(TrackBody()
                                        .At(0, {0xC1, 0x01})
                                        .At(5, {0x91, 0x3C, 0x40})
                                        .At(5, {0x81, 0x3C, 0x00})
                                        .End(0))
                             .Track(TrackBody())  // a track chunk of length 0
                             .Track(TrackBody().At(10, {0xC3, 0x02}).End())
                             .Build());
  EXPECT_EQ(song.track_count(), 4);
  std::vector<std::pair<int32_t, int32_t>> order;  // (tick, track)
  std::vector<int32_t> serials;
  for (const auto& e : song.events()) {
    order.emplace_back(e.tick, e.track);
    serials.push_back(e.serial);
  }
  EXPECT_THAT(order,
              ElementsAre(std::pair(0, 0), std::pair(0, 1), std::pair(5, 1), std::pair(10, 0),
                          std::pair(10, 0), std::pair(10, 0), std::pair(10, 1), std::pair(10, 1),
                          std::pair(10, 3), std::pair(10, 3)));
  EXPECT_THAT(serials, ElementsAre(0, 4, 5, 1, 2, 3, 6, 7, 8, 9));
}

TEST(MidiFile, MarkersAndTextStayMetaEventsAtTheirTimes) {
  // The song has no loop points of its own: looping is the player's flag.
  // Marker and cue texts are kept in place for whoever wants them.
  const auto song = Load(SmfFile(0, 100)
                             .Track(TrackBody()
                                        .At(0, {0xFF, 0x06, 0x04, 'l', 'o', 'o', 'p'})
                                        .At(100, {0xFF, 0x07, 0x01, 'x'})
                                        .End(100))
                             .Build());
  const auto& ev = song.events();
  ASSERT_EQ(ev.size(), 3u);
  EXPECT_EQ(ev[0].meta_type(), 0x06);
  EXPECT_EQ(ev[0].category, MidiCategory::kNone);
  EXPECT_THAT(ev[0].data, ElementsAre(0xFF, 0x06, 'l', 'o', 'o', 'p'));
  EXPECT_EQ(ev[1].meta_type(), 0x07);
  EXPECT_EQ(ev[1].time_ms, 500);
}

TEST(MidiFile, EventsAfterTheEndOfTrackAreIgnored) {
  const auto song =
      Load(SmfFile(0, 96).Track(TrackBody().At(0, {0xC0, 0x01}).End().At(0, {0xC0, 0x02})).Build());
  EXPECT_EQ(song.events().size(), 2u);
}

TEST(MidiFile, IndexForTimeFindsTheEventToPlayFrom) {
  // Times 0, 500, 500, 1000.
  const auto song = Load(
      SmfFile(0, 100)
          .Track(TrackBody().At(0, {0xC0, 0x01}).At(100, {0xC0, 0x02}).At(0, {0xC0, 0x03}).End(100))
          .Build());
  EXPECT_EQ(song.IndexForTime(0), 0u);
  EXPECT_EQ(song.IndexForTime(500), 1u);  // the first at exactly that time
  EXPECT_EQ(song.IndexForTime(499), 0u);
  EXPECT_EQ(song.IndexForTime(700), 2u);  // the one before the first past it
  EXPECT_EQ(song.IndexForTime(1000), 3u);
  EXPECT_EQ(song.IndexForTime(1001), 0u);  // past the end: from the start
  EXPECT_EQ(song.IndexForTime(-5), 0u);
}

TEST(MidiFile, DamagedHeadersAndChunksNameTheFault) {
  const Bytes good = SmfFile(0, 96).Track(TrackBody().End()).Build();
  EXPECT_THAT(LoadError({'R', 'I', 'F', 'F', 0, 0, 0, 0}), HasSubstr("no MThd"));
  EXPECT_THAT(LoadError({}), HasSubstr("no MThd"));
  EXPECT_THAT(LoadError(SmfFile(0, 0).Track(TrackBody().End()).Build()), HasSubstr("division 0"));
  EXPECT_THAT(LoadError(SmfFile(1, 96).Track(TrackBody().End()).DeclaredTracks(65535).Build()),
              HasSubstr("declares 65535 tracks"));
  const TrackBody long_track = TrackBody().At(0, {0xFF, 0x01, 0x08, 0, 0, 0, 0, 0, 0, 0, 0}).End();
  EXPECT_THAT(LoadError(SmfFile(1, 96).Track(long_track).DeclaredTracks(2).Build()),
              HasSubstr("track 1: missing MTrk chunk at offset 38 (end of data)"));
  Bytes tag = good;
  tag[14 + 3] = 'x';
  EXPECT_THAT(LoadError(tag), HasSubstr("track 0: expected MTrk at offset 14, found 4D 54 72 78"));
  Bytes length = good;
  length[18] = 0xFF;
  EXPECT_THAT(LoadError(length), HasSubstr("track 0: chunk length 4278190084 runs past the end"));
  EXPECT_THAT(LoadError(SmfFile(0, 96).Track(TrackBody()).Build()), HasSubstr("no events"));
}

TEST(MidiFile, DamagedEventsNameTheFault) {
  auto error = [](const TrackBody& body) { return LoadError(SmfFile(0, 96).Track(body).Build()); };
  EXPECT_THAT(error(TrackBody().At(0, {0xC0, 0x01})), HasSubstr("before its end-of-track event"));
  EXPECT_THAT(error(TrackBody().At(0, {0x40, 0x01}).End()),
              HasSubstr("data byte 40 at offset 23 without a running status"));
  EXPECT_THAT(error(TrackBody().At(0, {0xFF, 0x01, 0x7F, 'a'}).End()),
              HasSubstr("truncated meta event at offset 26 (127 bytes needed, 5 left)"));
  EXPECT_THAT(error(TrackBody().At(0, {0xF0, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F})),
              HasSubstr("longer than four bytes"));
  EXPECT_THAT(LoadError(SmfFile(0, 96).Track(TrackBody().At(0, {0xC0, 0x01}).At(0, {})).Build()),
              HasSubstr("truncated status byte"));
  TrackBody delta_runs_out;
  delta_runs_out.At(0, {0xC0, 0x01, 0x81});  // a delta-time cut by the chunk's end
  EXPECT_THAT(error(delta_runs_out), HasSubstr("truncated delta-time at offset 26"));
  TrackBody far;
  for (int i = 0; i < 9; ++i) far.At(0x0FFFFFFF, {0xC0, 0x01});
  EXPECT_THAT(error(far.End()), HasSubstr("tick passes 2^31"));
  // 16.7 s a quarter at one tick per quarter: 2^31 ms is soon passed.
  EXPECT_THAT(LoadError(SmfFile(0, 1)
                            .Track(TrackBody().Tempo(0, 0xFFFFFF).At(0x0FFFFFFF, {0xC0, 1}).End())
                            .Build()),
              HasSubstr("past 2^31 ms"));
}

TEST(MidiFile, EveryTruncationIsAnErrorAndLeavesTheSongEmpty) {
  const Bytes file = SmfFile(1, 96)
                         .Track(TrackBody().Tempo(0, 400000).End(10))
                         .Track(TrackBody()
                                    .At(0, {0xF0, 0x03, 0x7E, 0x7F, 0xF7})
                                    .At(0, {0x90, 0x3C, 0x40})
                                    .At(20, {0x3C, 0x00})
                                    .End())
                         .Build();
  TMidiV song;
  song.LoadSong(file);
  EXPECT_EQ(song.events().size(), 6u);
  for (size_t size = 0; size < file.size(); ++size) {
    const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_THROW(song.LoadSong(cut), EMidiFile) << size << " bytes";
    EXPECT_TRUE(song.events().empty()) << size << " bytes";
    EXPECT_EQ(song.song_length_ms(), 0);
  }
}

}  // namespace
}  // namespace vesk::media
