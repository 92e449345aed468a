#pragma once
// Screen transitions ("wipes"): each effect composes the old picture and the
// new one into a destination surface for a given point in time. The scene
// root makes one through CreateWipe when a flip asks for it, then every frame
// sets Elapsed and calls Step until Step answers true.
//
// All three surfaces have the destination's size and pixel format. Time is in
// milliseconds for both Duration and Elapsed; effects work with the ratio
// Elapsed / Duration in integer arithmetic.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/rect.h"
#include "graphics/dibsfc.h"

namespace vesk::transitions {

// What some effects need from the program around them.
struct WipeServices {
  // The first frame of the named rule picture (a game file), decoded into a
  // surface of any bit count; null when it does not exist or cannot be read.
  std::function<std::unique_ptr<graphics::TDIBX>(const std::string& name)> load_rule_image;
  // The runtime's general random generator: a number in 0 .. n - 1. Empty:
  // a fixed generator of the wipe's own, so runs repeat.
  std::function<int32_t(int32_t n)> random;
};

class TCustomWipe {
 public:
  TCustomWipe(graphics::TCustomDIBX& dest, const graphics::TCustomDIBX& from,
              const graphics::TCustomDIBX& to)
      : dest_(dest), from_(from), to_(to) {}
  virtual ~TCustomWipe() = default;
  TCustomWipe(const TCustomWipe&) = delete;
  TCustomWipe& operator=(const TCustomWipe&) = delete;

  // Called in this order by the driver: SetReverse, SetParam (P0, P1 when the
  // command gives them), SetImageName (when given), Prepare, then Step once
  // per frame.
  virtual void SetReverse(bool reverse) { reverse_ = reverse; }
  virtual int32_t GetParam(int index) const { return index == 0 ? p0_ : index == 1 ? p1_ : 0; }
  virtual void SetParam(int index, int32_t value) {
    if (index == 0) p0_ = value;
    if (index == 1) p1_ = value;
  }
  virtual void SetImageName(const std::string& name) { image_name_ = name; }
  virtual void Prepare() {}
  // Redraws the destination for Elapsed. True when Elapsed >= Duration; the
  // destination is then left as it was.
  virtual bool Step() = 0;

  bool Reverse() const { return reverse_; }
  const std::string& ImageName() const { return image_name_; }
  // The part of the destination the last Step changed (empty: nothing).
  const Rect& ChangedRect() const { return changed_; }

  int32_t Duration = 1;  // ms, at least 1
  int32_t Elapsed = 0;   // ms since the start

  void SetServices(const WipeServices* services) { services_ = services; }

 protected:
  graphics::TCustomDIBX& dest() { return dest_; }
  const graphics::TCustomDIBX& from() const { return from_; }
  const graphics::TCustomDIBX& to() const { return to_; }
  const WipeServices* services() const { return services_; }
  void SetChanged(const Rect& r) { changed_ = r; }

  int32_t p0_ = 0;
  int32_t p1_ = 0;

 private:
  graphics::TCustomDIBX& dest_;
  const graphics::TCustomDIBX& from_;
  const graphics::TCustomDIBX& to_;
  const WipeServices* services_ = nullptr;
  bool reverse_ = false;
  std::string image_name_;
  Rect changed_{};
};

// Number of effects; types are 1 .. kWipeCount (lang::TransitionId).
inline constexpr int kWipeCount = 31;

// The effect of `type` with its default parameters set through SetParam;
// null for a type outside 1..31 (the caller then changes the page without a
// transition). `services` must outlive the wipe and may be null.
std::unique_ptr<TCustomWipe> CreateWipe(int type, graphics::TCustomDIBX& dest,
                                        const graphics::TCustomDIBX& from,
                                        const graphics::TCustomDIBX& to,
                                        const WipeServices* services = nullptr);

}  // namespace vesk::transitions
