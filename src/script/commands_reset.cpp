// The reset commands: they move the scenario to a fixed place from wherever
// it is, which may be deep inside calls and event handlers.
#include "expr/param_collection.h"
#include "script/callman.h"
#include "script/commands.h"

namespace vesk::script {
namespace {

// A command that was interrupted by an event handler in ordinary code is
// ended properly (a flip drops its snapshot) before its page is abandoned.
void AbortInterrupted(TCallMan& man, const TStack& frame) {
  if (!frame.Sender.empty() || !frame.Started || frame.PageName.empty()) return;
  TPage* page = nullptr;
  try {
    page = man.GetPage(frame.PageName, false);
  } catch (const std::exception&) {
    return;  // nothing of that page can still be running
  }
  if (frame.ReturnIndex >= 0 && frame.ReturnIndex < page->Count())
    page->Commands[static_cast<size_t>(frame.ReturnIndex)]->Abort();
}

// The frame that returns from the outermost running handler into ordinary
// code, or -1 when no handler runs.
int32_t HandlerReturnFrame(const TCallMan& man) {
  const std::vector<TStack>& stack = man.Stack;
  int32_t first_with_sender = -1;
  for (size_t i = 0; i < stack.size() && first_with_sender < 0; ++i)
    if (!stack[i].Sender.empty()) first_with_sender = static_cast<int32_t>(i);
  if (first_with_sender < 0) {
    if (man.Sender.empty()) return -1;
    first_with_sender = man.Depth();
  }
  for (int32_t i = first_with_sender - 1; i >= 0; --i)
    if (stack[static_cast<size_t>(i)].Sender.empty()) return i;
  return -1;
}

void ResetEverything(const TComPCReset& self, TCallMan& man, TPage*& page, int32_t& index) {
  expr::TParamCollection& vars = *man.env().variables;
  vars.DeleteScope(man.Depth());
  for (int32_t i = man.Depth() - 1; i >= 0; --i) {
    vars.DeleteScope(i);
    AbortInterrupted(man, man.Stack[static_cast<size_t>(i)]);
  }
  page = man.Restart(self.PageName, self.Index);
  index = self.Index;
  if (TTimerList* events = man.Events()) events->Clear();
}

// The running handlers finish, but return to the new place instead of the
// ordinary code they interrupted; without handlers this is a jump.
void ResetReturnPlace(const TComPCReset& self, TCallMan& man, TPage*& page, int32_t& index) {
  expr::TParamCollection& vars = *man.env().variables;
  vars.DeleteScope(man.Depth());
  const int32_t at = HandlerReturnFrame(man);
  if (at >= 0) {
    vars.DeleteScope(at + 1);
    TStack& frame = man.Stack[static_cast<size_t>(at)];
    frame.PageName = self.PageName;
    frame.ReturnIndex = self.Index;
    frame.Started = 0;
    frame.ResultVar.clear();
    frame.Args.clear();
    frame.SavedState.reset();
    ++index;
  } else {
    page = man.GetPage(self.PageName, true);
    index = self.Index;
  }
  if (TTimerList* events = man.Events()) events->RemoveRunning();
}

}  // namespace

void TComPCReset::Execute(TCallMan& man, TPage*& page, int32_t& index) {
  // A target that cannot be loaded fails the command before anything is
  // torn down, rather than leaving a half-reset scenario behind.
  man.GetPage(PageName, true);
  if (Full)
    ResetEverything(*this, man, page, index);
  else
    ResetReturnPlace(*this, man, page, index);
}

void TComReset::Execute(TCallMan& man, TPage*& page, int32_t& index) {
  man.GetPage(PageName, true);
  const CallEnvironment& env = man.env();
  if (env.ports.scene) env.ports.scene->Reset();
  // The scene's reset empties its queue as well; without a scene the queue
  // still must not carry events into the new game.
  if (env.events) env.events->Clear();
  env.variables->ClearVariables();
  if (env.ports.tables) env.ports.tables->ResetTables();
  if (env.ports.history) env.ports.history->ClearHistory();
  page = man.Restart(PageName, Index);
  index = Index;
}

}  // namespace vesk::script
