#pragma once
// What Flip asks of the scene: the snapshot of the old picture, moving
// controls between the two bases, and the transition between them. Without
// this port Flip only moves on.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace vesk::script {

// How a transition is to run; the parameters and the rule picture only when
// the command gives them (the effect's defaults stay otherwise).
struct TransitionRequest {
  int kind = 0;  // a lang::TransitionId; 0 changes the page at once
  bool reverse = false;
  int32_t duration_ms = 1;
  std::optional<int32_t> param0;
  std::optional<int32_t> param1;
  std::optional<std::string> mask_source;
};

class FlipPort {
 public:
  virtual ~FlipPort() = default;
  using NameFilter = std::function<bool(const std::string& name)>;

  // Draws the scene once and lays a copy of the shown picture over the
  // shown base, so that the old picture stays while its controls move.
  virtual void TakeSnapshot() = 0;
  // Moves every child of the shown base that `moves` selects (never the
  // snapshot), from the last to the first, to the back base.
  virtual void MoveToBackBase(const NameFilter& moves) = 0;
  // Starts the transition from the shown base to the back one; false when
  // the kind makes none (the page then changes at the finish).
  virtual bool StartTransition(const TransitionRequest& request) = 0;
  // The running transition's duration (0 without one) and its time.
  virtual int32_t TransitionDuration() = 0;
  virtual void SetTransitionTime(int32_t elapsed_ms) = 0;
  // Shows the back base without animation and drops the snapshot; with
  // `clear_back` deletes the children of the base now hidden (cabinets only
  // when `cabinets_too`).
  virtual void FinishFlip(bool clear_back, bool cabinets_too) = 0;
};

}  // namespace vesk::script
