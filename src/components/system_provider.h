#pragma once
// The system variables the component kinds answer: @CGDither, the picture
// cache's dithering, and the message history's @HistoryCount and
// @HistoryMaxCount. The program registers them per scene with its system
// router.
#include "expr/system_router.h"

namespace vesk::scene {
class TVeskBaseList;
}

namespace vesk::components {

class TOrloCollection;
class TVeskNewHistory;

class PictureSystemProvider final : public expr::SystemProvider {
 public:
  // No cache: @CGDither reads false and ignores writes.
  PictureSystemProvider(TOrloCollection* pictures, scene::TVeskBaseList& root)
      : pictures_(pictures), root_(root) {}
  void RegisterWith(expr::SystemRouter& router);

  bool Get(int id, int32_t index, expr::SysValue* out) override;
  void Set(int id, const expr::SysValue& v) override;

 private:
  TOrloCollection* pictures_;
  scene::TVeskBaseList& root_;
};

class HistorySystemProvider final : public expr::SystemProvider {
 public:
  explicit HistorySystemProvider(TVeskNewHistory& history) : history_(history) {}
  void RegisterWith(expr::SystemRouter& router);

  bool Get(int id, int32_t index, expr::SysValue* out) override;
  void Set(int id, const expr::SysValue& v) override;

 private:
  TVeskNewHistory& history_;
};

}  // namespace vesk::components
