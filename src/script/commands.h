#pragma once
// The commands of a script page. Each command id has its own class that
// reads its record from the page file and writes it back in the same form
// (the script compiler writes pages with SaveToStream, so a page read and
// written again must come out byte for byte the same). Expressions are kept
// in their compiled form.
//
// Some fields came with later page versions; Transfer lists them under
// RecordIO::Since, so older pages keep their shorter records.
//
// The runtime operations (Start, Execute, ...) have only their base
// behaviour here; the interpreter gives each command its work.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/byte_reader.h"
#include "core/byte_writer.h"
#include "core/record_io.h"
#include "expr/params.h"
#include "expr/parser.h"
#include "lang/vocabulary.h"
#include "script/scene_port.h"

namespace vesk::script {

class TPage;
class TCallMan;
class FlipPort;

using expr::TVeskParser;

// One page schema entry: bit p (byte p / 8, bit p % 8, least significant
// first) set means commands of that id carry an expression for property p.
inline constexpr size_t kPropertySetBytes = 20;
using PropertySet = std::array<uint8_t, kPropertySetBytes>;

inline bool PropertyBit(const PropertySet& set, int property_id) {
  return property_id >= 0 && property_id < static_cast<int>(kPropertySetBytes * 8) &&
         (set[static_cast<size_t>(property_id) / 8] >> (property_id % 8) & 1) != 0;
}
// Ids outside the 160 bits are ignored.
inline void SetPropertyBit(PropertySet& set, int property_id) {
  if (property_id < 0 || property_id >= static_cast<int>(kPropertySetBytes * 8)) return;
  set[static_cast<size_t>(property_id) / 8] |= static_cast<uint8_t>(1u << (property_id % 8));
}

// A signed 32-bit count and that many expressions. A negative count reads as
// none (the loops of the authoring tool simply did not run); a count the
// remaining bytes cannot hold is rejected before anything is allocated.
void TransferExpressionList(RecordIO& io, std::vector<TVeskParser>& list, const char* what);
// An expression that came with `first_version`; a loaded older record
// leaves it empty.
void TransferExpressionSince(RecordIO& io, int32_t first_version, TVeskParser& expression);

class TCommand {
 public:
  explicit TCommand(TPage* page) : Page(page) {}
  virtual ~TCommand() = default;
  TCommand(const TCommand&) = delete;
  TCommand& operator=(const TCommand&) = delete;

  TPage* Page;  // the owning page (not owned)
  int32_t Indent = 0;
  uint8_t Disabled = 0;
  uint8_t RunOn = 0;
  int32_t Line = 0;  // line in the authoring tool, for the trace output

  virtual int ComType() const { return lang::CMD_BoxNew; }
  virtual uint8_t GetRunOn() const { return RunOn; }
  virtual uint8_t GetDisabled() const { return Disabled; }
  virtual void SetDisabled(uint8_t flag) { Disabled = flag; }
  // Whether events may not start while this command is in progress.
  virtual bool BlocksEvents() const { return false; }
  virtual bool IsLabel(std::string_view) const { return false; }

  // The record after the command id byte, read or written by Transfer at
  // the page's version.
  void LoadFromStream(ByteReader& in, int32_t page_version);
  void SaveToStream(ByteWriter& out, int32_t page_version) const;
  // The record's fields in stored order, for both directions: the common
  // header here, then each class adds its own after its base's.
  virtual void Transfer(RecordIO& io);

  // Runtime operations driven by the call manager.
  virtual void Start(TCallMan& man) { (void)man; }
  // Moves the engine's page and index; leaving both unchanged means the
  // command is still in progress and runs again next time.
  virtual void Execute(TCallMan& man, TPage*& page, int32_t& index);
  // Writes the state of a command in progress; creates the writer when empty.
  virtual void SaveState(std::unique_ptr<ByteWriter>& state) { (void)state; }
  virtual void LoadState(ByteReader& state) { (void)state; }
  virtual void Abort() {}
  // Whether reaching this command lets an event handler give way.
  virtual bool Yields() const { return false; }
};

// ---- Control flow -------------------------------------------------------

class TComIf : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_If; }
  void Transfer(RecordIO& io) override;
  TVeskParser Condition;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComElseif : public TComIf {
 public:
  using TComIf::TComIf;
  int ComType() const override { return lang::CMD_Elseif; }
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComElse : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_Else; }
  uint8_t GetRunOn() const override { return 1; }
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComLabel : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_Label; }
  bool IsLabel(std::string_view name) const override { return name == LabelName; }
  void Transfer(RecordIO& io) override;
  std::string LabelName;  // CP932
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

// A comment keeps its text where a label keeps its name and answers label
// lookups like one; it is never run.
class TComComment : public TComLabel {
 public:
  using TComLabel::TComLabel;
  int ComType() const override { return lang::CMD_Comment; }
  uint8_t GetRunOn() const override { return 0; }
  uint8_t GetDisabled() const override { return 1; }
  const std::string& Text() const { return LabelName; }
};

class TComJump : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_Jump; }
  void Transfer(RecordIO& io) override;
  std::string PageName;
  int32_t Target = 0;
  TVeskParser Condition;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComCall : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_Call; }
  void Transfer(RecordIO& io) override;
  std::string PageName;
  int32_t Target = 0;
  std::string ResultVar;
  TVeskParser Condition;
  std::vector<TVeskParser> Args;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComExit : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_Exit; }
  void Transfer(RecordIO& io) override;
  TVeskParser Condition;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

// BREAK and CONTINUE leave the page like EXIT when their target is negative.
class TComBreak : public TComExit {
 public:
  using TComExit::TComExit;
  int ComType() const override { return lang::CMD_Break; }
  void Transfer(RecordIO& io) override;
  int32_t Target = 0;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComContinue : public TComExit {
 public:
  using TComExit::TComExit;
  int ComType() const override { return lang::CMD_Continue; }
  void Transfer(RecordIO& io) override;
  int32_t Target = 0;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComWhile : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_While; }
  void Transfer(RecordIO& io) override;
  TVeskParser Condition;
  int32_t ExitIndex = 0;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

// Commands the compiler adds around loops; they never wait.
class TComRuntime : public TCommand {
 public:
  using TCommand::TCommand;
};

class TComWhileInit : public TComRuntime {
 public:
  using TComRuntime::TComRuntime;
  int ComType() const override { return lang::CMD_WhileInit; }
  uint8_t GetRunOn() const override { return 1; }
  void Transfer(RecordIO& io) override;
  TVeskParser Expression;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComWhileLoop : public TComWhileInit {
 public:
  using TComWhileInit::TComWhileInit;
  int ComType() const override { return lang::CMD_WhileLoop; }
  void Transfer(RecordIO& io) override;
  int32_t LoopIndex = 0;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComDoEvent : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_DoEvent; }
  uint8_t GetRunOn() const override { return 0; }
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
  bool Yields() const override { return true; }
};

class TComWait : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_Wait; }
  void Transfer(RecordIO& io) override;
  TVeskParser Condition;
  TVeskParser Time;
  TVeskParser BlockEvents;  // page version > 106
  void Start(TCallMan& man) override;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
  bool Yields() const override { return true; }
  bool BlocksEvents() const override { return blocks_; }
  void SaveState(std::unique_ptr<ByteWriter>& state) override;
  void LoadState(ByteReader& state) override;

 private:
  void TransferState(RecordIO& io);
  int32_t remaining_ms_ = 0;
  int32_t first_ = 1;
  bool blocks_ = false;
};

class TComGameSave : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_GameSave; }
  uint8_t GetRunOn() const override { return 0; }
  void Transfer(RecordIO& io) override;
  TVeskParser Slot;
  std::string JumpPage;
  int32_t JumpIndex = 0;  // page version > 104
  TVeskParser Caption;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComGameLoad : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_GameLoad; }
  uint8_t GetRunOn() const override { return 0; }
  void Transfer(RecordIO& io) override;
  TVeskParser Slot;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComPCReset : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_PCReset; }
  void Transfer(RecordIO& io) override;
  std::string PageName;
  int32_t Index = 0;
  // 1: the whole call chain is dropped and the scenario restarts there;
  // 0: only the place the running handlers return to moves there.
  uint8_t Full = 0;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

// The game reset: scene, variables, tables and history go, and the
// scenario restarts at the page and index.
class TComReset : public TComPCReset {
 public:
  using TComPCReset::TComPCReset;
  int ComType() const override { return lang::CMD_Reset; }
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComTerminate : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_Terminate; }
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

// ---- Variables and expressions ------------------------------------------

class TComCalc : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_Calc; }
  void Transfer(RecordIO& io) override;
  TVeskParser Expression;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComVarNew : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_VarNew; }
  void Transfer(RecordIO& io) override;
  std::string VarName;
  uint8_t TypeCode = 1;  // PT_ code 1..4
  TVeskParser InitialValue;
  uint8_t Scope = 0;  // 0 global, 1 auto-delete, 2 local, 3 status
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComVarDel : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_VarDel; }
  void Transfer(RecordIO& io) override;
  std::string VarName;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComGetProp : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_GetProp; }
  void Transfer(RecordIO& io) override;
  TVeskParser ObjectName;
  TVeskParser PropertyId;
  std::string VarName;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComSetProp : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_SetProp; }
  void Transfer(RecordIO& io) override;
  TVeskParser ObjectName;
  TVeskParser PropertyId;
  TVeskParser Value;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComPropMotion : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_PropMotion; }
  void Transfer(RecordIO& io) override;
  TVeskParser MotionName;
  TVeskParser TargetName;
  TVeskParser PropertyId;
  TVeskParser EndValue;
  TVeskParser Duration;
  TVeskParser Easing;
  TVeskParser Flag;  // page version > 107: the motion starts paused
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

// ---- Components ---------------------------------------------------------

// A command that creates a scene object and applies the properties the
// page's schema gives its id. The slots are fixed at creation, so the schema
// must be known before the record is read.
class TComComponent : public TCommand {
 public:
  // Takes the schema entry of `id` from the page (none without a page).
  TComComponent(TPage* page, int id);
  void Transfer(RecordIO& io) override;

  // Reallocates the slots for another schema entry (empty expressions).
  void SetPropertySet(const PropertySet& set);
  const PropertySet& GetPropertySet() const { return set_; }
  // The property ids this command carries, increasing.
  std::vector<int> PropertyIds() const;
  bool HasProperty(int property_id) const { return Property(property_id) != nullptr; }

  // Creates the object of this command's kind and applies the properties
  // in creation order; null without a scene or for kinds not built.
  SceneObject* CreateAndApply(TCallMan& man, int kind);
  // The `LT_` kind this command creates.
  int CreatedKind() const;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
  // The expression of a property, nullptr when the command does not carry it.
  TVeskParser* Property(int property_id);
  const TVeskParser* Property(int property_id) const;

 private:
  PropertySet set_{};
  std::array<std::unique_ptr<TVeskParser>, lang::kPropertyCount> props_;
};

class TComControl : public TComComponent {
 public:
  using TComComponent::TComComponent;
};

// One class per kind of object; they differ only in what they create.
#define VESK_CONTROL_COMMAND(Class, Base, Id)       \
  class Class : public Base {                       \
   public:                                          \
    explicit Class(TPage* page) : Base(page, Id) {} \
    int ComType() const override { return Id; }     \
  }
VESK_CONTROL_COMMAND(TComBoxNew, TComControl, lang::CMD_BoxNew);
VESK_CONTROL_COMMAND(TComImgNew, TComControl, lang::CMD_ImgNew);
VESK_CONTROL_COMMAND(TComMesNew, TComControl, lang::CMD_MesNew);
VESK_CONTROL_COMMAND(TComTimer, TComComponent, lang::CMD_Timer);
VESK_CONTROL_COMMAND(TComMovie, TComControl, lang::CMD_Movie);
VESK_CONTROL_COMMAND(TComCinema, TComControl, lang::CMD_Cinema);
VESK_CONTROL_COMMAND(TComCaption, TComControl, lang::CMD_Caption);
VESK_CONTROL_COMMAND(TComMenu, TComControl, lang::CMD_Menu);
VESK_CONTROL_COMMAND(TComBtnNew, TComControl, lang::CMD_Button);
VESK_CONTROL_COMMAND(TComParticleNew, TComControl, lang::CMD_ParticleNew);
VESK_CONTROL_COMMAND(TComFireNew, TComControl, lang::CMD_FireNew);
VESK_CONTROL_COMMAND(TComSound, TComComponent, lang::CMD_Sound);
VESK_CONTROL_COMMAND(TComEditNew, TComControl, lang::CMD_EditNew);
VESK_CONTROL_COMMAND(TComMemoNew, TComControl, lang::CMD_MemoNew);
VESK_CONTROL_COMMAND(TComMapImgNew, TComControl, lang::CMD_MapImgNew);
VESK_CONTROL_COMMAND(TComWaveNew, TComControl, lang::CMD_WaveNew);
VESK_CONTROL_COMMAND(TComTileNew, TComControl, lang::CMD_TileNew);
VESK_CONTROL_COMMAND(TComSliderNew, TComControl, lang::CMD_SliderNew);
VESK_CONTROL_COMMAND(TComScrollbarNew, TComControl, lang::CMD_ScrollbarNew);
VESK_CONTROL_COMMAND(TComGaugeNew, TComControl, lang::CMD_GaugeNew);
VESK_CONTROL_COMMAND(TComCGCaption, TComControl, lang::CMD_CGCaption);
VESK_CONTROL_COMMAND(TComPrevMenuNew, TComControl, lang::CMD_PrevMenuNew);
#undef VESK_CONTROL_COMMAND

// Stores or restores a set of children of the back base; the component part
// carries only the cabinet's name.
class TComCabinet : public TComComponent {
 public:
  using TComComponent::TComComponent;
  void Transfer(RecordIO& io) override;
  TVeskParser Mode;  // true inverts the selection
  std::vector<TVeskParser> Names;
};

class TComCabinetSave : public TComCabinet {
 public:
  explicit TComCabinetSave(TPage* page) : TComCabinet(page, lang::CMD_SaveCabinet) {}
  int ComType() const override { return lang::CMD_SaveCabinet; }
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComCabinetLoad : public TComCabinet {
 public:
  explicit TComCabinetLoad(TPage* page) : TComCabinet(page, lang::CMD_LoadCabinet) {}
  int ComType() const override { return lang::CMD_LoadCabinet; }
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

// ---- Media, text and flip -----------------------------------------------

class TComFlip : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_Flip; }
  void Transfer(RecordIO& io) override;
  TVeskParser Kind;
  TVeskParser Duration;
  TVeskParser Reverse;
  TVeskParser Placement;
  std::vector<TVeskParser> NameLists;
  TVeskParser ClearBack;
  TVeskParser Param1;
  TVeskParser Param2;
  TVeskParser MaskSource;   // page version > 100
  TVeskParser BlockEvents;  // page version > 106

  void Start(TCallMan& man) override;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
  void Abort() override;
  void SaveState(std::unique_ptr<ByteWriter>& state) override;
  void LoadState(ByteReader& state) override;
  bool Yields() const override { return yields_; }
  bool BlocksEvents() const override { return blocks_ != 0; }

 private:
  // Shows the new page; the index moves on unless the flip was aborted.
  void Finish(FlipPort& port, bool cabinets_too);
  void TransferState(RecordIO& io);
  // Phases: 0 started, 1 one frame passed, 2 animating, 3 no animation.
  int32_t phase_ = 0;
  int32_t start_ms_ = 0;
  uint8_t blocks_ = 0;
  uint8_t clear_back_ = 0;
  bool yields_ = false;
  FlipPort* aborts_on_ = nullptr;  // the scene of a flip in progress, for Abort
};

class TComTextIns : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_TextIns; }
  void Transfer(RecordIO& io) override;
  std::vector<uint8_t> TextData;  // the compiled glyph stream
  TVeskParser WindowName;
  TVeskParser Record;
  TVeskParser Wait;
  TVeskParser BlockEvents;  // page version > 106

  void Start(TCallMan& man) override;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
  void SaveState(std::unique_ptr<ByteWriter>& state) override;
  void LoadState(ByteReader& state) override;
  bool Yields() const override { return wait_ != 0; }
  bool BlocksEvents() const override { return blocks_ != 0; }

 private:
  void TransferState(RecordIO& io);
  std::string window_;  // the message window shown into; empty: none
  uint8_t wait_ = 0;
  uint8_t blocks_ = 0;
};

class TComMovieStop : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_MovieStop; }
  void Transfer(RecordIO& io) override;
  TVeskParser ObjectName;
  TVeskParser FadeTime;
  TVeskParser Wait;
  TVeskParser BlockEvents;  // page version > 106

  void Start(TCallMan& man) override;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
  void SaveState(std::unique_ptr<ByteWriter>& state) override;
  void LoadState(ByteReader& state) override;
  bool Yields() const override { return waiting_ != 0; }
  bool BlocksEvents() const override { return blocks_ != 0; }

 private:
  void TransferState(RecordIO& io);
  std::string target_;  // the object fading out; empty: none
  uint8_t waiting_ = 0;
  uint8_t blocks_ = 0;
};

class TComMediaPlay : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_MediaPlay; }
  void Transfer(RecordIO& io) override;
  TVeskParser ObjectName;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

// ---- Objects, messages and history --------------------------------------

// The commands whose whole record is one name expression.
class TComObjDel : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_ObjDel; }
  void Transfer(RecordIO& io) override;
  TVeskParser ObjectName;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComMenuClose : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_MenuClose; }
  void Transfer(RecordIO& io) override;
  TVeskParser ObjectName;
  // Waits, trying again each turn, until the named object exists.
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComTextClr : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_TextClr; }
  void Transfer(RecordIO& io) override;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
  TVeskParser WindowName;
};

class TComEntryHist : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_FormatHist; }
  void Transfer(RecordIO& io) override;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
  TVeskParser ObjectName;
};

class TComCallHist : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_CallHist; }
  void Transfer(RecordIO& io) override;
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
  TVeskParser WindowName;
  TVeskParser StartIndex;
  TVeskParser Count;
  TVeskParser Packed;
};

class TComClrHist : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_ClrHist; }
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

class TComClrRead : public TCommand {
 public:
  using TCommand::TCommand;
  int ComType() const override { return lang::CMD_ClrRead; }
  void Execute(TCallMan& man, TPage*& page, int32_t& index) override;
};

// The state of a command in progress is stamped "vesk" + three digits (its
// version); unstamped state is version 0. WriteStateStamp writes the stamp,
// ReadStateStamp takes it off when present and answers the version.
void WriteStateStamp(ByteWriter& state, int32_t version);
int32_t ReadStateStamp(ByteReader& state);

// The command class for a command id (0..60); nullptr for any other id.
std::unique_ptr<TCommand> CreateCommand(int id, TPage* page);

}  // namespace vesk::script
