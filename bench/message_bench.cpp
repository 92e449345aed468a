// Message text: laying out a long marked-up message, a reveal frame of a
// full 800x600 message window (against a memcpy of the frame in the same
// run), and saving and loading a large history and many read marks.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "components/message_history.h"
#include "graphics/dibsfc.h"
#include "platform/cp932.h"
#include "platform/font_library.h"
#include "text/fontpixels.h"
#include "text/tpwords.h"

namespace {

using namespace vesk;

constexpr int kW = 800, kH = 600;

// About 2,000 characters of dialogue with ruby, colours and bold names.
std::vector<std::string> LongMessage() {
  const std::string line = platform::Utf8ToCp932(
      "<font color=\"#ffcc00\" border=2><b>遥</b></font>「<ruby value=\"あした\">明日</ruby>"
      "の朝、駅前の喫茶店で待っています。<font color=\"#80c0ff\">遅れないで</font>くださいね。"
      "それから、傘を忘れずに。天気予報では午後から雨だそうです。」");
  std::vector<std::string> lines;
  size_t chars = 0;
  while (chars < 2000) {
    lines.push_back(line);
    chars += 80;
  }
  return lines;
}

struct Window {
  text::TFontPixelManager glyphs{platform::MakeFontLibrary()};
  text::TTpWord word{&glyphs, nullptr};
  text::PageList pages;
  graphics::TDIBX screen{kW, kH, 32};
  Window() {
    word.FontHeight = 24;
    word.PageWidth = kW;
    word.PageHeight = kH;
    word.BorderWidth = 1;
    word.FadeTime = 0;
    word.Target = &screen;
    word.ClipRect = {0, 0, kW, kH};
  }
};

void BM_LayoutLongMessage(benchmark::State& state) {
  Window w;
  const auto lines = LongMessage();
  w.word.Parse(lines, 50);
  for (auto _ : state) {
    w.pages.clear();
    w.word.Layout(w.pages, 0, -1);
    benchmark::DoNotOptimize(w.pages.size());
  }
  state.counters["glyphs"] = static_cast<double>(w.word.GlyphCount());
}
BENCHMARK(BM_LayoutLongMessage)->Unit(benchmark::kMicrosecond);

// About 2,000 characters of translated dialogue, laid out with the layout
// every game was made with (0) and with word wrapping (1).
void BM_LayoutLatinMessage(benchmark::State& state) {
  Window w;
  w.word.Wrap = state.range(0) ? text::LineBreak::kWords : text::LineBreak::kChars;
  const std::string line =
      "<b>Haruka</b>: \"I'll be waiting at the cafe by the station tomorrow "
      "morning - a well-known place. Don't be late, and don't forget your umbrella: "
      "the forecast says rain in the afternoon. Extraordinarily-long-compound-words too.\"";
  std::vector<std::string> lines(10, line);
  w.word.Parse(lines, 50);
  for (auto _ : state) {
    w.pages.clear();
    w.word.Layout(w.pages, 0, -1);
    benchmark::DoNotOptimize(w.pages.size());
  }
  state.counters["glyphs"] = static_cast<double>(w.word.GlyphCount());
}
BENCHMARK(BM_LayoutLatinMessage)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ParseAndLayoutLongMessage(benchmark::State& state) {
  Window w;
  const auto lines = LongMessage();
  for (auto _ : state) {
    w.word.Parse(lines, 50);
    w.pages.clear();
    w.word.Layout(w.pages, 0, -1);
    benchmark::DoNotOptimize(w.pages.size());
  }
}
BENCHMARK(BM_ParseAndLayoutLongMessage)->Unit(benchmark::kMicrosecond);

// A full window of revealed text composited onto the frame: the most a
// reveal frame can draw.
void BM_DrawFullMessageWindow(benchmark::State& state) {
  Window w;
  w.word.Parse(LongMessage(), 0);
  w.word.Layout(w.pages, 0, -1);
  text::TWdPage& page = *w.pages[0];
  page.Prerender(false);
  for (auto _ : state) {
    page.Draw();
    benchmark::DoNotOptimize(w.screen.View().origin);
  }
}
BENCHMARK(BM_DrawFullMessageWindow)->Unit(benchmark::kMicrosecond);

// One reveal step as the frame loop runs it: a few characters come, and
// only their rectangles are drawn again.
void BM_RevealFrame(benchmark::State& state) {
  Window w;
  w.word.Parse(LongMessage(), 30);
  w.word.Layout(w.pages, 0, -1);
  text::TWdPage& page = *w.pages[0];
  page.Prerender(true);
  page.Rewind();
  bool finished = false;
  std::string revealed;
  for (auto _ : state) {
    page.Step(16, finished, revealed);
    for (const Rect& r : w.word.DirtyRects) {
      w.screen.SetClipRect(r);
      w.word.ClipRect = r;
      page.Draw();
    }
    if (page.RowIndex >= static_cast<int32_t>(page.Rows.size())) {
      state.PauseTiming();
      page.Prerender(true);
      page.Rewind();
      state.ResumeTiming();
    }
  }
  w.screen.ResetClip();
}
BENCHMARK(BM_RevealFrame)->Unit(benchmark::kMicrosecond);

void BM_MemcpyFrame(benchmark::State& state) {
  std::vector<uint8_t> a(kW * kH * 4, 1), b(kW * kH * 4);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::DoNotOptimize(b.data());
  }
}
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMicrosecond);

// 10,000 history pages of three segments each, in the new format.
std::unique_ptr<components::TVeskNewHistory> LargeHistory() {
  auto history = std::make_unique<components::TVeskNewHistory>(nullptr, nullptr, nullptr);
  components::TVeskNewHistory& h = *history;
  h.RegisterFormat({24, 1, 1, 760, 560, 4});
  for (int i = 0; i < 10000; ++i) {
    auto entry = std::make_unique<components::TVeskHistData>();
    for (int k = 0; k < 3; ++k)
      entry->Add("scene" + std::to_string(i / 100) + ".lsb", i * 3 + k, k == 0 ? "name=Haruka" : "",
                 120, 40 + k * 40, k * 40);
    h.Entries.push_back(std::move(entry));
  }
  return history;
}

void BM_SaveHistory(benchmark::State& state) {
  const auto h = LargeHistory();
  for (auto _ : state) {
    ByteWriter out;
    h->Write(out);
    benchmark::DoNotOptimize(out.bytes().data());
  }
}
BENCHMARK(BM_SaveHistory)->Unit(benchmark::kMillisecond);

void BM_LoadHistory(benchmark::State& state) {
  ByteWriter out;
  LargeHistory()->Write(out);
  for (auto _ : state) {
    components::TVeskNewHistory h(nullptr, nullptr, nullptr);
    ByteReader in(out.bytes().data(), out.bytes().size());
    h.Read(in, 129);
    benchmark::DoNotOptimize(h.Entries.size());
  }
}
BENCHMARK(BM_LoadHistory)->Unit(benchmark::kMillisecond);

// 100,000 read marks over 500 page files.
components::TVeskReadList ManyMarks() {
  components::TVeskReadList marks;
  for (int i = 0; i < 100000; ++i) {
    marks.SetPending("w", "scene" + std::to_string(i % 500) + ".lsb", i / 500 % 8, i / 4000);
    marks.CommitPending("w");
  }
  return marks;
}

void BM_SaveReadMarks(benchmark::State& state) {
  const auto marks = ManyMarks();
  for (auto _ : state) {
    ByteWriter out;
    marks.Write(out);
    benchmark::DoNotOptimize(out.bytes().data());
  }
  state.counters["marks"] = static_cast<double>(marks.MarkCount());
}
BENCHMARK(BM_SaveReadMarks)->Unit(benchmark::kMillisecond);

void BM_LoadReadMarks(benchmark::State& state) {
  ByteWriter out;
  ManyMarks().Write(out);
  for (auto _ : state) {
    components::TVeskReadList marks;
    ByteReader in(out.bytes().data(), out.bytes().size());
    marks.Read(in);
    benchmark::DoNotOptimize(marks.MarkCount());
  }
}
BENCHMARK(BM_LoadReadMarks)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
