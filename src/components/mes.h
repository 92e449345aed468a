#pragma once
// TVeskMes (kind 13): the message window. It owns a TTpWord, keeps the
// laid-out pages of the current message, reveals the current page each
// frame, posts the reveal events, shows links and reports link clicks, and
// records the pages it leaves in the history and the read marks. It draws
// only its text; frames and backgrounds are separate image components.
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "components/component_services.h"
#include "components/message_history.h"
#include "scene/vesk_object.h"
#include "text/tpwords.h"

namespace vesk::components {

// Compiled messages of the last page files a window showed: 4 files, 16
// messages each, most recently used first.
class TMesDataCacheList {
 public:
  // The message of text command `command` of `file`; null when the file or
  // command has none.
  const text::TTpWord* Lookup(MessageSource& source, text::TFontPixelManager* glyphs,
                              text::TextEnvironment* environment, const std::string& file,
                              int32_t command);
  static constexpr size_t kFiles = 4;
  static constexpr size_t kMessages = 16;

 private:
  struct Word {
    int32_t command;
    std::unique_ptr<text::TTpWord> word;
  };
  struct File {
    std::string name;
    std::shared_ptr<const MessagePageTexts> texts;
    std::list<Word> words;
  };
  std::list<File> files_;
};

// What a window shows: the message segments (normal text and new-format
// history) or the old-format history entries.
struct TVeskNewMesData {
  TVeskHistData Messages;
  std::vector<THistoryOldData> OldEntries;
  TMesDataCacheList Cache;

  void Transfer(RecordIO& io);
};

class TVeskMes final : public scene::TVeskControl, public ServiceUser, text::TextEnvironment {
 public:
  explicit TVeskMes(scene::TVeskBaseList* root);
  ~TVeskMes() override;

  enum Mode : uint8_t { kPlain = 0, kRecording = 1, kHistory = 2 };

  text::TTpWord Word;
  text::PageList Pages;
  int32_t PageIndex = -1;
  int32_t ScrollY = 0;
  int32_t ReservedInt = 0;
  std::string ReservedStr[3];
  std::string OnPlaying, OnPlayStart, OnPlayEnd, OnLink, OnNotify, OnIdle;
  uint8_t PausedFlag = 0;
  uint8_t TextPausedFlag = 0;
  int32_t TextDelay = 256;
  uint8_t ModeValue = kPlain;
  std::string SourceFile;
  int32_t CommandIndex = 0;
  TVeskNewMesData MesData;
  std::string Text;
  int32_t StartSkip = 0;
  bool NeedsRender = false, HideOnRender = false;
  uint8_t HistoryPacked = 0;
  int32_t HistoryOffset = 0;
  uint8_t CaptureLink = 0;

  int GetCompoType() const override { return lang::LT_MES; }

  // The text command's entry: the message of `command` in page `file`.
  void ShowMessage(const std::string& file, int32_t command, bool record);
  void SetText(const std::string& text);
  void Rebuild(bool start_events);
  void SetIndex(int32_t i);
  int32_t PageCount() const { return static_cast<int32_t>(Pages.size()); }
  text::TWdPage* CurrentPage() const;
  // The history's entries from `start` (CallHist after its checks).
  void ShowHistory(int32_t start, int32_t count, bool packed);

  int32_t GetInt(int id) const override;
  void SetInt(int id, int32_t value) override;
  bool GetFlag(int id) const override;
  void SetFlag(int id, bool value) override;
  std::string GetStr(int id) const override;
  void SetStr(int id, const std::string& value) override;

  bool Update(int32_t frame_ms) override;
  void Draw(graphics::TCustomDIBX& surface, const Rect& clip) override;
  void MouseMove() override;
  void MouseOut() override;
  void LeftDown() override;
  scene::TVeskControl* HitTest(int32_t x, int32_t y, uint32_t mask) override;
  void ReleaseSurfaces() override;
  void RestoreSurfaces() override;

  // text::TextEnvironment
  std::optional<std::string> VariableText(const std::string& name) override;
  std::optional<std::string> ExpressionText(const std::vector<uint8_t>& expression) override;
  std::unique_ptr<text::InlinePicture> LoadPicture(const std::string& file) override;
  int ScreenBitCount() const override;
  text::ExpressionReader ExpressionReaderFor() override;

 protected:
  void TransferKindFields(RecordIO& io) override;

 private:
  void PageStart();
  void ClearPages();
  void BuildPages();
  void BuildHistoryPages();
  void BuildOldHistoryPages();
  void InvalidateDirty();
  void ApplyPaused();
  bool Attached();
  TVeskNewHistory* History() const;
  TVeskReadList* ReadMarks() const;
  MessageSource* Source() const;
  text::TFontPixelManager* Glyphs() const;
  void Notified(const std::string& value);
};

}  // namespace vesk::components
