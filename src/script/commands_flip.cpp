// The flip: the page change between the scene's two bases, with or without
// a transition, optionally leaving a snapshot of the old picture on top
// while controls move between the bases.
#include <algorithm>

#include "core/runtime_context.h"
#include "lang/vocabulary.h"
#include "script/command_eval.h"
#include "script/commands.h"
#include "script/flip_port.h"

namespace vesk::script {

namespace {

enum : int32_t { kStarted = 0, kFramePassed = 1, kAnimating = 2, kNoAnimation = 3 };

// The lines of every name-list value (CR LF, LF or CR between them).
std::vector<std::string> ListedNames(std::vector<TVeskParser>& lists, TCallMan& man) {
  std::vector<std::string> names;
  for (TVeskParser& e : lists) {
    const expr::TCustomParam* v = Evaluate(e, man);
    if (!v) continue;
    const std::string text = v->GetStr();
    size_t begin = 0;
    while (begin <= text.size()) {
      size_t end = text.find_first_of("\r\n", begin);
      if (end == std::string::npos) end = text.size();
      names.push_back(text.substr(begin, end - begin));
      if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++end;
      begin = end + 1;
    }
  }
  return names;
}

std::optional<int32_t> IntIfGiven(TVeskParser& e, TCallMan& man) {
  const expr::TCustomParam* v = Evaluate(e, man);
  if (!v) return std::nullopt;
  return v->GetInt();
}

}  // namespace

void TComFlip::Start(TCallMan& man) {
  phase_ = kStarted;
  aborts_on_ = nullptr;
  TransitionRequest request;
  const std::optional<int32_t> kind = IntIfGiven(Kind, man);
  request.kind = kind && *kind <= lang::WP_CLOCKHAND ? *kind : lang::WP_NONE;
  const std::optional<int32_t> duration = IntIfGiven(Duration, man);
  request.duration_ms = std::max(1, duration.value_or(1));
  request.reverse = IsTrue(Reverse, man);
  blocks_ = IsTrue(BlockEvents, man) ? 1 : 0;
  clear_back_ = IsTrue(ClearBack, man) ? 1 : 0;
  const std::optional<int32_t> placement = IntIfGiven(Placement, man);
  const std::vector<std::string> listed = ListedNames(NameLists, man);
  yields_ = duration.value_or(1) > 0;
  request.param0 = IntIfGiven(Param1, man);
  request.param1 = IntIfGiven(Param2, man);
  if (const expr::TCustomParam* mask = Evaluate(MaskSource, man))
    request.mask_source = mask->GetStr();

  FlipPort* port = man.env().ports.flips;
  if (!port) return;
  if (placement && (*placement == lang::FL_OUT || *placement == lang::FL_STAY)) {
    if (!duration || *duration <= 0)
      phase_ = kNoAnimation;
    else
      port->TakeSnapshot();
    // FL_OUT sends the controls not listed to the new page; FL_STAY the
    // listed ones.
    const bool move_listed = *placement == lang::FL_STAY;
    port->MoveToBackBase([listed, move_listed](const std::string& name) {
      const bool is_listed = std::find(listed.begin(), listed.end(), name) != listed.end();
      return is_listed == move_listed;
    });
  }
  if (phase_ != kNoAnimation) port->StartTransition(request);
  aborts_on_ = port;
}

void TComFlip::Execute(TCallMan& man, TPage*&, int32_t& index) {
  FlipPort* port = man.env().ports.flips;
  if (!port) {
    ++index;
    return;
  }
  aborts_on_ = port;
  switch (phase_) {
    case kStarted:
      phase_ = kFramePassed;
      return;
    case kFramePassed:
      start_ms_ = man.env().ctx->game_clock_ms;
      phase_ = kAnimating;
      return;
    case kAnimating: {
      // 32-bit difference: right across the clock's wrap.
      const auto elapsed = static_cast<int32_t>(
          static_cast<uint32_t>(man.env().ctx->game_clock_ms) - static_cast<uint32_t>(start_ms_));
      if (elapsed < port->TransitionDuration()) {
        port->SetTransitionTime(elapsed);
        return;
      }
      break;
    }
    default:
      break;
  }
  Finish(*port, false);
  ++index;
}

void TComFlip::Abort() {
  if (aborts_on_) Finish(*aborts_on_, true);
}

void TComFlip::Finish(FlipPort& port, bool cabinets_too) {
  port.FinishFlip(clear_back_ != 0, cabinets_too);
  aborts_on_ = nullptr;
  phase_ = kStarted;
}

// A flip's state is stamped "vesk100"; the phase is not kept, so a flip
// restored from a saved game starts over without its snapshot.
constexpr int32_t kFlipStateVersion = 100;

void TComFlip::SaveState(std::unique_ptr<ByteWriter>& state) {
  if (!state) state = std::make_unique<ByteWriter>();
  WriteStateStamp(*state, kFlipStateVersion);
  RecordIO io(*state, kFlipStateVersion);
  TransferState(io);
}

void TComFlip::LoadState(ByteReader& state) {
  RecordIO io(state, ReadStateStamp(state));
  TransferState(io);
  phase_ = kStarted;
}

void TComFlip::TransferState(RecordIO& io) {
  if (!io.Since(100)) return;  // an unstamped state holds neither byte
  io.Flag(blocks_, "flip blocks");
  io.Flag(clear_back_, "flip clear back");
}

}  // namespace vesk::script
