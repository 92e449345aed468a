#pragma once
// TCallMan: the scenario's interpreter. It holds the current page and
// command index, runs commands each frame until one ends the frame, keeps
// the stack of page calls (and, once the scene queues events, of event
// handlers), and caches up to ten loaded pages.
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "expr/params.h"
#include "script/pages.h"

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
}
namespace vesk::companion {
class TraceLog;
}

namespace vesk::script {

struct CallEnvironment {
  RuntimeContext* ctx = nullptr;
  storage::TVrFileManager* files = nullptr;
  expr::TParamCollection* variables = nullptr;
  expr::TSysFuncMan* functions = nullptr;
  platform::Dialogs* dialogs = nullptr;
  companion::TraceLog* trace = nullptr;  // optional
  // The project's file test (may ask for another disc).
  std::function<bool(const std::string& name_cp932)> file_available;
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

  // Starts the scenario on a page from its first command, with an empty stack.
  TPage* Start(const std::string& page_name);
  // The page called `name` (byte for byte) from the cache, loaded when
  // missing; with to_front it becomes the most recently used. Raises the
  // file manager's error for a missing page.
  TPage* GetPage(const std::string& name, bool to_front);
  // One frame of script execution.
  void Step();
  // One command with return handling: 0 normal, 2 a yielding command ran,
  // 1 returned into ordinary code, -1 returned into a handler.
  int StepOne();

  void PushFrame(TStack frame);
  TStack PopFrame();
  int32_t Depth() const { return static_cast<int32_t>(Stack.size()); }
  expr::TCustomParam* TopResult() const;
  int32_t ArgCount() const { return static_cast<int32_t>(Args.size()); }
  std::string Arg(int32_t i) const;
  bool FileAvailable(const std::string& name);

  // The stored form inside saved games. A frame keeps four bytes where its
  // result variable belongs; we write zeros there, so a call in progress
  // when the game was saved returns without storing its result.
  void SaveToStream(ByteWriter& out) const;
  void LoadFromStream(ByteReader& in, int32_t version);
  const CallEnvironment& env() const { return env_; }

  TPage* CurPage = nullptr;
  int32_t CurIndex = 0;
  uint8_t RunOnFlag = 0;
  uint8_t Started = 0;
  std::vector<std::string> Args;
  int32_t State = 0;
  std::string Sender;
  int32_t Level = 2;
  std::vector<TStack> Stack;

 private:
  void ExecuteOne(TPage*& page, int32_t& index);
  void SetScope();
  void DropPage(std::list<std::unique_ptr<TPage>>::iterator it);

  CallEnvironment env_;
  std::list<std::unique_ptr<TPage>> pages_;  // most recently used first
  const TCommand* last_traced_ = nullptr;
  bool swallowed_ = false;  // a command raised this step
};

}  // namespace vesk::script
