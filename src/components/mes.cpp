#include "components/mes.h"

#include <algorithm>

#include "components/image_list.h"
#include "core/sjis.h"
#include "expr/param_collection.h"
#include "expr/parser.h"
#include "graphics/dibsfc.h"
#include "lang/vocabulary.h"
#include "scene/baselist.h"

namespace vesk::components {

using namespace vesk::lang;

namespace {

text::LineBreak LineBreakOf(const ComponentServices* services) {
  return services ? services->line_break : text::LineBreak::kChars;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (true) {
    size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? end : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

// A picture inside the text: frame 0 of the file as the image kinds load it.
class ListPicture final : public text::InlinePicture {
 public:
  ListPicture(TOrloCollection* pictures, const std::string& file) {
    list_.Load(pictures, this, file, /*want_masks=*/true);
  }
  bool Valid() { return list_.Count() > 0 && list_.Data(0).Surface(0) != nullptr; }
  int32_t Width() const override { return Frame() ? Frame()->Width() : 0; }
  int32_t Height() const override { return Frame() ? Frame()->Height() : 0; }
  void Draw(graphics::TCustomDIBX& target, int32_t x, int32_t y, int32_t blend) override {
    const graphics::TCustomDIBX* surface = Frame();
    if (!surface) return;
    const Rect all = Rect::FromSize(0, 0, surface->Width(), surface->Height());
    const graphics::TDIBX* mask = list_.Data(list_.Index).Mask();
    if (mask)
      target.DrawMaskBlend(x, y, *surface, all, graphics::Flip::kNone, *mask, blend);
    else
      target.DrawBlend(x, y, *surface, all, graphics::KeyMode::kUse, graphics::Flip::kNone, blend);
  }
  bool IsAnimated() const override { return list_.Count() > 1; }
  bool Animate(int32_t elapsed_ms) override { return list_.Advance(elapsed_ms); }
  void ReleaseSurfaces() override { list_.ReleaseSurfaces(); }

 private:
  const graphics::TCustomDIBX* Frame() const {
    auto& list = const_cast<TVeskImageList&>(list_);
    return list.Valid(list.Index) ? list.Data(list.Index).Surface(0) : nullptr;
  }
  TVeskImageList list_;
};

}  // namespace

// ---- Message cache

const text::TTpWord* TMesDataCacheList::Lookup(MessageSource& source,
                                               text::TFontPixelManager* glyphs,
                                               text::TextEnvironment* environment,
                                               const std::string& file, int32_t command) {
  auto f = std::find_if(files_.begin(), files_.end(),
                        [&](const File& x) { return EqualsIgnoreAsciiCase(x.name, file); });
  if (f == files_.end()) {
    auto texts = source.LoadTexts(file);
    if (!texts) return nullptr;
    files_.push_front(File{file, std::move(texts), {}});
    if (files_.size() > kFiles) files_.pop_back();
    f = files_.begin();
  } else if (f != files_.begin()) {
    files_.splice(files_.begin(), files_, f);
    f = files_.begin();
  }
  auto w = std::find_if(f->words.begin(), f->words.end(),
                        [&](const Word& x) { return x.command == command; });
  if (w != f->words.end()) {
    f->words.splice(f->words.begin(), f->words, w);
    return f->words.front().word.get();
  }
  if (command < 0 || command >= static_cast<int32_t>(f->texts->texts.size())) return nullptr;
  const auto& stream = f->texts->texts[static_cast<size_t>(command)];
  if (!stream) return nullptr;
  auto word = std::make_unique<text::TTpWord>(glyphs, environment);
  ByteReader in(stream->data(), stream->size());
  try {
    word->ReadGlyphs(in);
  } catch (const std::exception&) {
    return nullptr;  // a damaged message shows nothing
  }
  f->words.push_front(Word{command, std::move(word)});
  if (f->words.size() > kMessages) f->words.pop_back();
  return f->words.front().word.get();
}

// ---- TVeskMes

TVeskMes::TVeskMes(scene::TVeskBaseList* root) : scene::TVeskControl(root), Word(nullptr, this) {
  Word.OnNotify = [this](const std::string& value) { Notified(value); };
}

TVeskMes::~TVeskMes() {
  Invalidate();
  Pages.clear();
}

TVeskNewHistory* TVeskMes::History() const {
  return services() ? services()->history : nullptr;
}

TVeskReadList* TVeskMes::ReadMarks() const {
  return services() ? services()->read_marks : nullptr;
}

MessageSource* TVeskMes::Source() const {
  return services() ? services()->messages : nullptr;
}

text::TFontPixelManager* TVeskMes::Glyphs() const {
  return services() ? services()->glyphs : nullptr;
}

text::TWdPage* TVeskMes::CurrentPage() const {
  if (PageIndex < 0 || PageIndex >= PageCount()) return nullptr;
  return Pages[static_cast<size_t>(PageIndex)].get();
}

// ---- TextEnvironment

std::optional<std::string> TVeskMes::VariableText(const std::string& name) {
  expr::TParamCollection* vars = services() ? services()->variables : nullptr;
  if (!vars) return std::nullopt;
  expr::TParamCollectionItem* item = vars->Find(name);
  if (!item || !item->Value) return std::nullopt;
  return item->Value->GetStr();
}

std::optional<std::string> TVeskMes::ExpressionText(const std::vector<uint8_t>& expression) {
  expr::TParamCollection* vars = services() ? services()->variables : nullptr;
  if (!vars) return std::nullopt;
  expr::TVeskParser parser;
  try {
    ByteReader in(expression.data(), expression.size());
    parser.LoadFromStream(in);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  parser.Run(*vars, services()->functions);
  if (!parser.Result) return std::nullopt;
  return parser.Result->GetStr();
}

text::ExpressionReader TVeskMes::ExpressionReaderFor() {
  return [](ByteReader& in) {
    const size_t start = in.position();
    ByteReader probe = in;
    expr::TVeskParser parser;
    parser.LoadFromStream(probe);
    const size_t length = probe.position() - start;
    const uint8_t* bytes = in.Bytes(length, "stored expression");
    return std::vector<uint8_t>(bytes, bytes + length);
  };
}

std::unique_ptr<text::InlinePicture> TVeskMes::LoadPicture(const std::string& file) {
  if (!pictures()) return nullptr;
  auto picture = std::make_unique<ListPicture>(pictures(), file);
  if (!picture->Valid()) return nullptr;
  return picture;
}

int TVeskMes::ScreenBitCount() const {
  return pictures() ? pictures()->BitCount() : 15;
}

// ---- Pages

void TVeskMes::ClearPages() {
  Pages.clear();
}

void TVeskMes::PageStart() {
  if (OnPlayStart.empty()) return;
  bool read = false;
  if (ModeValue == kRecording && !SourceFile.empty())
    if (TVeskReadList* marks = ReadMarks())
      read = marks->IsRead(SourceFile, CommandIndex, PageIndex);
  QueueEvent(PR_ONPLAYSTART, OnPlayStart, {read ? "1" : "0"});
  StartSkip = 1;
}

void TVeskMes::SetText(const std::string& text) {
  Invalidate();
  MesData.Messages.Clear();
  Text = text;
  if (TVeskNewHistory* history = History()) history->Commit(Name);
  HistoryOffset = 0;
  ClearPages();
  Word.SetGlyphs(Glyphs());
  const bool have_variables = services() && services()->variables;
  const int32_t delay = have_variables ? services()->variables->TextDelay : 50;
  // Bad markup keeps what came before the fault and is noted in the trace:
  // raising it would only make the script's command run again each frame.
  if (auto error = Word.Parse(SplitLines(text), delay); error && have_variables) {
    const auto& sink = services()->variables->services().error_sink;
    if (sink) sink(*error);
  }
  Word.Wrap = LineBreakOf(services());
  Word.ExpandVars(0, -1);
  Word.Layout(Pages, 0, -1);
  PageIndex = 0;
  ScrollY = 0;
  if (!Pages.empty()) {
    NeedsRender = true;
    HideOnRender = true;
    PageStart();
  }
}

void TVeskMes::ShowMessage(const std::string& file, int32_t command, bool record) {
  ModeValue = kPlain;
  HistoryOffset = 0;
  if (record) {
    ModeValue = kRecording;
    SourceFile = file;
    CommandIndex = command;
  }
  MesData.Messages.Clear();
  MesData.Messages.Add(file, command, std::string(), 0, -1, 0);
  HistoryPacked = 0;
  Rebuild(false);
  if (!Pages.empty()) SetIndex(0);
}

void TVeskMes::SetIndex(int32_t i) {
  if (i < 0 || i >= PageCount() || i == PageIndex) return;
  if (PageIndex >= 0)
    if (TVeskNewHistory* history = History()) history->Commit(Name);
  PageIndex = i;
  ScrollY = 0;
  PageStart();
  text::TWdPage* page = CurrentPage();
  if (ModeValue == kRecording && !SourceFile.empty()) {
    page->CollectValues();
    const text::TWdGlyph* first = page->FirstSourceGlyph();
    const text::TWdGlyph* last = page->LastSourceGlyph();
    if (TVeskNewHistory* history = History())
      history->Record(Name, Width, Height, SourceFile, page->CollectedValues, PageIndex,
                      last ? Word.IndexToSource(last) : 0, first ? Word.IndexToSource(first) : 0,
                      CommandIndex);
    if (TVeskReadList* marks = ReadMarks())
      marks->SetPending(Name, SourceFile, PageIndex, CommandIndex);
  }
  page->Rewind();
  NeedsRender = true;
  HideOnRender = true;
  Invalidate();
}

void TVeskMes::Rebuild(bool start_events) {
  Invalidate();
  Text.clear();
  if (TVeskNewHistory* history = History()) history->Commit(Name);
  ClearPages();
  PageIndex = -1;
  BuildPages();
  if (!Pages.empty()) {
    if (start_events) PageStart();
    NeedsRender = true;
    HideOnRender = true;
  }
}

void TVeskMes::BuildPages() {
  Word.SetGlyphs(Glyphs());
  Word.Clear();
  const auto& segments = MesData.Messages.Segments;
  if (segments.size() == 1 && MesData.Messages.Total == 0) {
    MessageSource* source = Source();
    const std::string file = MesData.Messages.FileOf(0);
    if (!source || !source->FileExists(file)) return;
    const text::TTpWord* message =
        MesData.Cache.Lookup(*source, Glyphs(), this, file, segments[0].CommandIndex);
    if (!message) return;
    Word.CopyGlyphs(
        *message, message->SourceToIndex(segments[0].FirstSource),
        segments[0].LastSource < 0 ? -1 : message->SourceToIndex(segments[0].LastSource));
    Word.VarSnapshot = SnapshotLines(segments[0].Snapshot);
    Word.Wrap = LineBreakOf(services());
    Word.ExpandVars(0, -1);
    Word.Layout(Pages, 0, -1);
    return;
  }
  if (!segments.empty()) {
    BuildHistoryPages();
    return;
  }
  BuildOldHistoryPages();
}

void TVeskMes::BuildHistoryPages() {
  MessageSource* source = Source();
  if (!source) return;
  auto result = std::make_unique<text::TWdPage>(Word);
  int32_t y = HistoryOffset;
  const auto& segments = MesData.Messages.Segments;
  for (size_t i = 0; i < segments.size(); ++i) {
    const std::string file = MesData.Messages.FileOf(i);
    if (!source->FileExists(file)) break;
    const text::TTpWord* message =
        MesData.Cache.Lookup(*source, Glyphs(), this, file, segments[i].CommandIndex);
    if (!message) break;
    const auto from = static_cast<int32_t>(Word.GlyphCount());
    Word.CopyGlyphs(
        *message, message->SourceToIndex(segments[i].FirstSource),
        segments[i].LastSource < 0 ? -1 : message->SourceToIndex(segments[i].LastSource));
    Word.VarSnapshot = SnapshotLines(segments[i].Snapshot);
    Word.Wrap = LineBreakOf(services());
    Word.ExpandVars(from, -1);
    text::PageList scratch;
    if (from < static_cast<int32_t>(Word.GlyphCount())) Word.Layout(scratch, from, -1);
    Word.DecorateBase = static_cast<int32_t>(Word.DecorateCount());
    if (scratch.empty()) continue;
    int32_t bottom = y;
    for (auto& row : scratch.front()->Rows) {
      row->Y += y;
      row->SetPage(*result);
      bottom = row->Y + row->RowHeight();
      result->Rows.push_back(std::move(row));
    }
    y = bottom + Word.LineSpace;
  }
  Word.VarSnapshot.clear();
  Pages.push_back(std::move(result));
}

void TVeskMes::BuildOldHistoryPages() {
  MessageSource* source = Source();
  if (!source || MesData.OldEntries.empty()) return;
  const int32_t saved_width = Word.PageWidth, saved_height = Word.PageHeight;
  auto restore = [&] {
    Word.PageWidth = saved_width;
    Word.PageHeight = saved_height;
  };
  const auto& entries = MesData.OldEntries;
  if (entries.size() == 1 && entries[0].PageIndex < 0) {
    const auto& e = entries[0];
    const text::TTpWord* message =
        source->FileExists(e.File)
            ? MesData.Cache.Lookup(*source, Glyphs(), this, e.File, e.CommandIndex)
            : nullptr;
    if (message) {
      Word.PageWidth = e.Width;
      Word.PageHeight = e.Height;
      Word.CopyGlyphs(*message, 0, -1);
      Word.Wrap = LineBreakOf(services());
      Word.ExpandVars(0, -1);
      Word.Layout(Pages, 0, -1);
    }
    restore();
    return;
  }
  auto result = std::make_unique<text::TWdPage>(Word);
  int32_t y = 0;
  std::string file;
  for (const auto& e : entries) {
    if (!e.File.empty()) file = e.File;
    if (!source->FileExists(file)) break;
    const text::TTpWord* message =
        MesData.Cache.Lookup(*source, Glyphs(), this, file, e.CommandIndex);
    if (!message) break;
    const auto from = static_cast<int32_t>(Word.GlyphCount());
    Word.CopyGlyphs(*message, 0, -1);
    Word.PageWidth = e.Width;
    Word.PageHeight = e.Height;
    Word.Wrap = LineBreakOf(services());
    Word.ExpandVars(from, -1);
    text::PageList scratch;
    if (from < static_cast<int32_t>(Word.GlyphCount())) Word.Layout(scratch, from, -1);
    Word.DecorateBase = static_cast<int32_t>(Word.DecorateCount());
    if (e.PageIndex < 0 || e.PageIndex >= static_cast<int32_t>(scratch.size())) continue;
    int32_t bottom = y;
    for (auto& row : scratch[static_cast<size_t>(e.PageIndex)]->Rows) {
      row->Y += y;
      row->SetPage(*result);
      bottom = row->Y + row->RowHeight();
      result->Rows.push_back(std::move(row));
    }
    y = HistoryPacked ? bottom + Word.LineSpace : y + e.Height;
  }
  restore();
  Pages.push_back(std::move(result));
}

void TVeskMes::ShowHistory(int32_t start, int32_t count, bool packed) {
  TVeskNewHistory* history = History();
  if (!history) return;
  HistoryPacked = packed ? 1 : 0;
  ModeValue = kHistory;
  TVeskNewHistory::Selection sel = history->Select(start, count);
  MesData.Messages.Clear();
  MesData.OldEntries.clear();
  if (history->HasFormat()) {
    for (const auto& s : sel.segments)
      MesData.Messages.Add(s.File, s.CommandIndex, s.Snapshot, s.Height, s.LastSource,
                           s.FirstSource);
    HistoryOffset = sel.offset;
  } else {
    MesData.OldEntries = std::move(sel.old_entries);
    OffsetY = 0;
    Invalidate();
  }
  Rebuild(true);
  PageIndex = -1;
  SetIndex(0);
}

// ---- Frame step

void TVeskMes::InvalidateDirty() {
  if (!GetVisible() || !GetBase()) return;
  for (const Rect& r : Word.DirtyRects) InvalidateRect(r);
}

bool TVeskMes::Update(int32_t frame_ms) {
  if (StartSkip >= 1) {
    --StartSkip;
    return false;
  }
  if (EventWaiting(PR_ONPLAYSTART)) return false;
  text::TWdPage* page = CurrentPage();
  if (NeedsRender && page) {
    Word.SetGlyphs(Glyphs());
    page->Prerender(HideOnRender);
    NeedsRender = false;
    HideOnRender = false;
    Invalidate();
  }
  if (!page) return false;
  Word.Left = GetSceneLeft();
  Word.Top = GetSceneTop();
  bool finished = false;
  std::string revealed;
  page->Step(frame_ms, finished, revealed);
  if (!revealed.empty()) QueueEvent(PR_ONPLAYING, OnPlaying, {revealed});
  if (finished) {
    if (TVeskReadList* marks = ReadMarks()) marks->CommitPending(Name);
    QueueEvent(PR_ONPLAYEND, OnPlayEnd);
  }
  InvalidateDirty();
  return false;
}

void TVeskMes::Notified(const std::string& value) {
  QueueEvent(PR_ONNOTIFY, OnNotify, SplitLines(value));
}

void TVeskMes::Draw(graphics::TCustomDIBX& surface, const Rect& clip) {
  if (text::TWdPage* page = CurrentPage(); page && GetVisible()) {
    Word.Target = &surface;
    Word.Left = GetSceneLeft();
    Word.Top = GetSceneTop();
    Word.ClipRect = clip;
    page->Draw();
    Word.Target = nullptr;
  }
  DrawChildren(surface, clip);
}

// ---- Mouse

void TVeskMes::MouseMove() {
  if (text::TWdPage* page = CurrentPage(); page && GetVisible()) {
    Word.DirtyRects.clear();
    Word.Left = GetSceneLeft();
    Word.Top = GetSceneTop();
    const scene::TVeskBase* base = GetBase();
    if (Paused() || page->HasMore() || !base)
      page->UpdateHover(-1, -1);
    else
      page->UpdateHover(base->MouseX, base->MouseY);
    InvalidateDirty();
  }
  TVeskControl::MouseMove();
}

void TVeskMes::MouseOut() {
  if (text::TWdPage* page = CurrentPage()) {
    Word.DirtyRects.clear();
    page->UpdateHover(-1, -1);
    InvalidateDirty();
  }
  TVeskControl::MouseOut();
}

void TVeskMes::LeftDown() {
  text::TWdPage* page = CurrentPage();
  if (!OnLink.empty() && page && page->HoverGlyph && !EventWaiting(PR_ONLINK)) {
    std::vector<std::string> args{page->HoveredLinkText()};
    for (auto& line : SplitLines(page->HoverGlyph->Link)) args.push_back(std::move(line));
    QueueEvent(PR_ONLINK, OnLink, std::move(args));
    if (scene::TVeskBase* base = GetBase()) base->LClick = 0;  // the click goes no further
    return;
  }
  TVeskControl::LeftDown();
}

scene::TVeskControl* TVeskMes::HitTest(int32_t x, int32_t y, uint32_t mask) {
  if (!GetVisible() || !GetHitRect().Contains(x, y)) return nullptr;
  for (auto it = Children.rbegin(); it != Children.rend(); ++it)
    if (TVeskControl* hit = (*it)->HitTest(x, y, mask)) return hit;
  if (CaptureLink) {
    text::TWdPage* page = CurrentPage();
    if (!page) return nullptr;
    Word.Left = GetSceneLeft();
    Word.Top = GetSceneTop();
    const text::TWdGlyph* g = page->HitTest(x, y);
    return g && !g->Link.empty() ? this : nullptr;
  }
  return IgnoreMouse < 32 && (mask >> IgnoreMouse & 1) ? this : nullptr;
}

void TVeskMes::ReleaseSurfaces() {
  Word.ReleaseSurfaces();
}

void TVeskMes::RestoreSurfaces() {
  Word.RestoreSurfaces();
  if (text::TWdPage* page = CurrentPage()) {
    Word.SetGlyphs(Glyphs());
    page->Prerender(false);
    Invalidate();
  }
}

// ---- Properties

void TVeskMes::ApplyPaused() {
  const bool paused = PausedFlag || TextPausedFlag;
  const bool was = Word.TextPaused;
  Word.TextPaused = paused;
  if (was && !paused)
    if (text::TWdPage* page = CurrentPage()) page->RestartTiming();
}

int32_t TVeskMes::GetInt(int id) const {
  switch (id) {
    case PR_INDEX:
      return PageIndex;
    case PR_COUNT:
      return PageCount();
    case PR_SCROLLY:
      return ScrollY;
    case PR_CARETX:
      return Word.CaretX;
    case PR_CARETY:
      return Word.CaretY;
    case PR_FONTHEIGHT:
      return Word.FontHeight;
    case PR_FONTBORDER:
      return Word.BorderWidth;
    case PR_FONTSHADOW:
      return Word.ShadowWidth;
    case PR_LINESPACE:
      return Word.LineSpace;
    case PR_FONTCOLOR:
      return Word.FontColor;
    case PR_FONTLINKCOLOR:
      return Word.LinkColor;
    case PR_FONTHOVERCOLOR:
      return Word.HoverColor;
    case PR_FONTBORDERCOLOR:
      return Word.BorderColor;
    case PR_FONTSHADOWCOLOR:
      return Word.ShadowColor;
    case PR_ALPHA:
      return Word.Alpha;
    case PR_DELAY:
      return Word.FadeTime;
    case PR_TEXTDELAY:
      return TextDelay;
    default:
      return TVeskControl::GetInt(id);
  }
}

void TVeskMes::SetInt(int id, int32_t value) {
  auto font_field = [&](int32_t& field, bool invalidate_twice) {
    if (field == value) return;
    if (invalidate_twice) Invalidate();
    field = value;
    NeedsRender = CurrentPage() != nullptr || NeedsRender;
    Invalidate();
  };
  switch (id) {
    case PR_INDEX:
      SetIndex(value);
      return;
    case PR_SCROLLY:
      ScrollY = value;
      if (text::TWdPage* page = CurrentPage()) {
        page->ScrollY = value;
        page->RestartTiming();
      }
      Invalidate();
      return;
    case PR_FONTHEIGHT:
      font_field(Word.FontHeight, true);
      return;
    case PR_FONTBORDER:
      font_field(Word.BorderWidth, true);
      return;
    case PR_FONTSHADOW:
      font_field(Word.ShadowWidth, true);
      return;
    case PR_LINESPACE:
      font_field(Word.LineSpace, true);
      return;
    case PR_FONTCOLOR:
      font_field(Word.FontColor, false);
      return;
    case PR_FONTLINKCOLOR:
      font_field(Word.LinkColor, false);
      return;
    case PR_FONTHOVERCOLOR:
      font_field(Word.HoverColor, false);
      return;
    case PR_FONTBORDERCOLOR:
      font_field(Word.BorderColor, false);
      return;
    case PR_FONTSHADOWCOLOR:
      font_field(Word.ShadowColor, false);
      return;
    case PR_ALPHA:
      Word.Alpha = value;
      Invalidate();
      return;
    case PR_DELAY:
      Word.FadeTime = std::max(value, 0);
      return;
    case PR_TEXTDELAY:
      TextDelay = value;
      Word.DelayScale = value;
      return;
    case PR_WIDTH:
    case PR_HEIGHT: {
      const int32_t before = id == PR_WIDTH ? Width : Height;
      TVeskControl::SetInt(id, value);
      if (before == value) return;
      (id == PR_WIDTH ? Word.PageWidth : Word.PageHeight) = value;
      Invalidate();
      return;
    }
    default:
      TVeskControl::SetInt(id, value);
  }
}

bool TVeskMes::GetFlag(int id) const {
  switch (id) {
    case PR_PLAYING: {
      const text::TWdPage* page = CurrentPage();
      return page && (PageIndex < PageCount() - 1 || page->HasMore());
    }
    case PR_ANTIALIAS:
      return Word.AntiAlias > 0;
    case PR_PAUSED:
      return PausedFlag != 0;
    case PR_TEXTPAUSED:
      return TextPausedFlag != 0;
    case PR_CAPTURELINK:
      return CaptureLink != 0;
    default:
      return TVeskControl::GetFlag(id);
  }
}

void TVeskMes::SetFlag(int id, bool value) {
  switch (id) {
    case PR_ANTIALIAS: {
      const int32_t level = value ? 3 : 0;
      if (level != Word.AntiAlias) {
        Word.AntiAlias = level;
        if (CurrentPage()) NeedsRender = true;
      }
      Invalidate();
      return;
    }
    case PR_PAUSED:
      if (PausedFlag == value) return;
      PausedFlag = value ? 1 : 0;
      ApplyPaused();
      return;
    case PR_TEXTPAUSED:
      if (TextPausedFlag == value) return;
      TextPausedFlag = value ? 1 : 0;
      ApplyPaused();
      return;
    case PR_CAPTURELINK:
      CaptureLink = value ? 1 : 0;
      return;
    default:
      TVeskControl::SetFlag(id, value);
  }
}

std::string TVeskMes::GetStr(int id) const {
  switch (id) {
    case PR_TEXT: {
      const text::TWdPage* page = CurrentPage();
      return page ? page->ShownText() : std::string();
    }
    case PR_FONTNAME:
      return Word.FontName;
    case PR_ONPLAYING:
      return OnPlaying;
    case PR_ONPLAYSTART:
      return OnPlayStart;
    case PR_ONPLAYEND:
      return OnPlayEnd;
    case PR_ONLINK:
      return OnLink;
    case PR_ONNOTIFY:
      return OnNotify;
    case PR_ONIDLE:
      return OnIdle;
    default:
      return TVeskControl::GetStr(id);
  }
}

void TVeskMes::SetStr(int id, const std::string& value) {
  switch (id) {
    case PR_TEXT:
      ModeValue = kPlain;
      SetText(value);
      return;
    case PR_FONTNAME:
      Word.FontName = value;
      if (CurrentPage()) {
        NeedsRender = true;
        Invalidate();
      }
      return;
    case PR_ONPLAYING:
      OnPlaying = value;
      return;
    case PR_ONPLAYSTART:
      OnPlayStart = value;
      return;
    case PR_ONPLAYEND:
      OnPlayEnd = value;
      return;
    case PR_ONLINK:
      OnLink = value;
      return;
    case PR_ONNOTIFY:
      OnNotify = value;
      Word.NotifyEnabled = !value.empty();
      return;
    case PR_ONIDLE:
      OnIdle = value;
      return;
    default:
      TVeskControl::SetStr(id, value);
  }
}

// ---- Stored form

void TVeskNewMesData::Transfer(RecordIO& io) {
  TransferOldEntryColumns(io, OldEntries);
  if (io.Since(113))
    Messages.Transfer(io);
  else
    Messages.Clear();
}

void TVeskMes::TransferKindFields(RecordIO& io) {
  const bool loading = io.loading();
  if (!loading) {
    // A loaded game shows the variable values of the moment it was saved.
    if (text::TWdPage* page = CurrentPage()) {
      page->CollectValues();
      for (auto& s : MesData.Messages.Segments) s.Snapshot = page->CollectedValues;
    }
  }
  Word.TransferSettings(io);
  MesData.Transfer(io);
  io.U8(HistoryPacked, "history packed");
  if (io.Since(113)) io.I32(HistoryOffset, "history offset");
  io.Str(Text, "message text");
  if (loading) {
    // The pages come back from the text or the message data before their
    // state is read.
    if (MesData.Messages.Segments.empty() && MesData.OldEntries.empty()) {
      SetText(std::string(Text));
    } else {
      const int32_t offset = HistoryOffset;
      Rebuild(false);
      HistoryOffset = offset;
    }
    StartSkip = 0;
    if (Root) Root->Events.RemoveWaitingOf(Name);
  }
  io.I32(PageIndex, "page index");
  io.I32(ScrollY, "scroll position");
  io.I32(ReservedInt, "reserved");
  for (std::string* s : {&ReservedStr[0], &ReservedStr[1], &ReservedStr[2], &OnPlaying,
                         &OnPlayStart, &OnPlayEnd, &OnLink, &OnNotify})
    io.Str(*s, "message handler");
  io.Flag(PausedFlag, "paused");
  io.Flag(TextPausedFlag, "text paused");
  io.I32(TextDelay, "text delay");
  io.U8(ModeValue, "message mode");
  io.Str(SourceFile, "message file");
  io.I32(CommandIndex, "message command");
  if (loading) {
    Word.NotifyEnabled = !OnNotify.empty();
    Word.TextPaused = PausedFlag || TextPausedFlag;
    Word.DelayScale = TextDelay;
    if (text::TWdPage* page = CurrentPage()) {
      page->Rewind();
      Word.SetGlyphs(Glyphs());
      page->Prerender(false);
    }
  }
  if (io.Since(104)) io.Str(OnIdle, "idle handler");
  if (io.Since(120)) io.Flag(CaptureLink, "capture link");
  // The reveal state of every page, as one counted block.
  std::vector<uint8_t> states;
  if (!loading) {
    ByteWriter out;
    for (const auto& page : Pages) page->SaveState(out);
    states = std::move(out.bytes());
  }
  io.Blob(states, "page state size", "page states");
  if (loading) {
    ByteReader in(states.data(), states.size());
    for (auto& page : Pages) {
      if (in.at_end()) break;
      page->LoadState(in);
    }
    NeedsRender = false;
    HideOnRender = false;
  }
}

}  // namespace vesk::components
