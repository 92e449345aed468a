#pragma once
// TCallMan: the scenario's interpreter. It holds the current page and
// command index, runs commands each frame until one ends the frame, keeps
// the stack of page calls and event handlers, starts the handlers of queued
// events, and caches up to ten loaded pages.
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "expr/params.h"
#include "script/event_queue.h"
#include "script/flip_port.h"
#include "script/history_port.h"
#include "script/media_port.h"
#include "script/menu_port.h"
#include "script/message_port.h"
#include "script/pages.h"
#include "script/save_data_port.h"
#include "script/scene_port.h"
#include "script/table_port.h"

namespace vesk {
struct RuntimeContext;
}
namespace vesk::platform {
class Dialogs;
}
namespace vesk::storage {
class TVrFileManager;
}
namespace vesk::expr {
class TParamCollection;
class TSysFuncMan;
}  // namespace vesk::expr
namespace vesk::companion {
class TraceLog;
}

namespace vesk::script {

// The subsystems the commands reach, one port each; a null port means the
// commands of that family only move on (and the reset skips it).
struct CallPorts {
  ScenePort* scene = nullptr;         // object commands, senders, the scene's reset
  MessagePort* messages = nullptr;    // TextIns, TextClr
  FlipPort* flips = nullptr;          // Flip
  MenuPort* menus = nullptr;          // Menu (opening), MenuClose
  MediaPort* media = nullptr;         // MediaPlay, MovieStop, the media objects
  HistoryPort* history = nullptr;     // CallHist, ClrHist, FormatHist, ClrRead, reset
  SaveDataPort* save_data = nullptr;  // GameSave, GameLoad
  TablePort* tables = nullptr;        // reset (the table functions later)
};

struct CallEnvironment {
  RuntimeContext* ctx = nullptr;
  storage::TVrFileManager* files = nullptr;
  expr::TParamCollection* variables = nullptr;
  expr::TSysFuncMan* functions = nullptr;
  platform::Dialogs* dialogs = nullptr;
  companion::TraceLog* trace = nullptr;  // optional
  // The project's file test (may ask for another disc).
  std::function<bool(const std::string& name_cp932)> file_available;
  // The scene root's event queue; null: no events ever start.
  TTimerList* events = nullptr;
  CallPorts ports;
};

// One stack frame: where to return and what the caller had.
struct TStack {
  std::string PageName;
  int32_t ReturnIndex = 0;
  uint8_t Started = 0;
  std::string ResultVar;
  std::vector<std::string> Args;
  std::string Sender;
  uint8_t RunOn = 0;
  std::unique_ptr<ByteWriter> SavedState;
  std::unique_ptr<expr::TCustomParam> Result;
};

class TCallMan {
 public:
  static constexpr size_t kPageCacheLimit = 10;

  explicit TCallMan(CallEnvironment env);
  ~TCallMan();

  // Starts the scenario on a page from its first command, with an empty
  // stack; events running at levels 1 to Level leave the queue, waiting ones
  // stay.
  TPage* Start(const std::string& page_name);
  // Start, then go on at `index` (the reset commands).
  TPage* Restart(const std::string& page_name, int32_t index);
  // The page called `name` (byte for byte) from the cache, loaded when
  // missing; with to_front it becomes the most recently used. Raises the
  // file manager's error for a missing page.
  TPage* GetPage(const std::string& name, bool to_front);
  // One frame of script execution: ordinary code until a command ends the
  // frame, with the handlers of queued events started in between (see the
  // State values below).
  void Step();
  // Starts the handler of the first waiting event at event level `level`;
  // false when none could start (blocked, nothing waiting, page missing).
  bool StartEvent(int32_t level);
  // What one command with its return handling led to.
  enum class StepResult { kRan, kYielded, kReturnedToCode, kReturnedToHandler };
  StepResult StepOne();

  void PushFrame(TStack frame);
  TStack PopFrame();
  int32_t Depth() const { return static_cast<int32_t>(Stack.size()); }
  expr::TCustomParam* TopResult() const;
  int32_t ArgCount() const { return static_cast<int32_t>(Args.size()); }
  std::string Arg(int32_t i) const;
  bool FileAvailable(const std::string& name);
  // The sender's name while a handler runs and the sender still exists.
  std::string SenderName() const;
  // Whether the named object still exists (the scene decides; without a
  // scene every name counts as registered).
  bool ObjectExists(const std::string& name) const;
  TTimerList* Events() const { return env_.events; }

  // The stored form inside saved games. A frame keeps four bytes where its
  // result variable belongs; we write zeros there, so a call in progress
  // when the game was saved returns without storing its result.
  void SaveToStream(ByteWriter& out) const;
  void LoadFromStream(ByteReader& in, int32_t version);
  // The saved form for both directions (core/record_io.h).
  void Transfer(RecordIO& io);
  const CallEnvironment& env() const { return env_; }

  TPage* CurPage = nullptr;
  int32_t CurIndex = 0;
  uint8_t RunOnFlag = 0;
  uint8_t Started = 0;
  std::vector<std::string> Args;
  // Where event handling stands; stored with saved games as its number.
  enum EventState : int32_t {
    kOrdinaryCode = 0,    // no handler runs
    kHandlerRuns = 1,     // a handler runs at level 1
    kHandlerYielded = 2,  // a handler has yielded: nested handlers may start
    kNestedRuns = 3,      // a nested handler runs
  };
  EventState State = kOrdinaryCode;
  std::string Sender;  // name of the object whose handler runs; empty: none
  int32_t Level = 2;   // the event level the next nested handler gets
  std::vector<TStack> Stack;

 private:
  // Runs the command at the index; true when it yields.
  bool ExecuteOne(TPage*& page, int32_t& index);
  void ReturnFromFrame();
  void PushEventFrame();
  // One turn of the event state machine; false when the frame must end.
  bool StepState();
  bool StepHandler();
  bool StepNested();
  std::string StoredSender(const std::string& name) const;
  void TransferStack(RecordIO& io);
  void SetScope();
  void DropPage(std::list<std::unique_ptr<TPage>>::iterator it);

  CallEnvironment env_;
  std::list<std::unique_ptr<TPage>> pages_;  // most recently used first
  const TCommand* last_traced_ = nullptr;
  bool swallowed_ = false;  // a command raised this step
  bool stalled_ = false;    // the last command is still in progress
};

}  // namespace vesk::script
