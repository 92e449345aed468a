#pragma once
// TSysFuncMan: the built-in functions scripts call through ocFunc. Each
// reads its arguments from the operands (already resolved references where
// the function takes a variable), stores its result into the destination
// entry, and raises the runtime's fixed messages on failure (the expression
// run swallows them).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "expr/param_collection.h"
#include "expr/params.h"

namespace vesk::expr {

using Operands = std::vector<std::unique_ptr<TCustomParam>>;

// What the functions reach beyond values. Subsystems that are not built yet
// answer as "not found"; each is wired in by the issue that builds it.
class SysFuncHost {
 public:
  virtual ~SysFuncHost() = default;
  // The virtual file manager: the file exists (no disk prompt).
  virtual bool FileExists(const std::string& /*name_cp932*/) { return false; }
  // The project's file test (may ask for another disk), then the content.
  virtual std::optional<std::vector<uint8_t>> LoadFile(const std::string& /*name_cp932*/) {
    return std::nullopt;
  }
  virtual bool OpenUrl(const std::string& /*url_cp932*/) { return false; }
  // The functions on scene objects (GetProp, Exists, ListCompo, ...): true
  // when the host ran function `id`.
  virtual bool CallObjectFunction(int /*id*/, TParamCollectionItem& /*dest*/,
                                  Operands& /*operands*/) {
    return false;
  }
};

class TSysFuncMan {
 public:
  explicit TSysFuncMan(TParamCollection& table, SysFuncHost* host = nullptr);

  // The type code of the value function `id` produces (types the temporary
  // that receives it); PT_NONE for ids outside the table.
  static int ResultType(int id);

  // Runs function `id` (ids 136..255 do nothing).
  void Call(int id, TParamCollectionItem& dest, Operands& operands);

  // The Random generator: s := s * 134775813 + 1, seeded once at start-up
  // from the UTC time of day in milliseconds.
  uint32_t random_state() const { return random_state_; }
  void set_random_state(uint32_t s) { random_state_ = s; }
  // One step of the generator scaled to 0 .. range - 1 (the high half of a
  // 32 x 32-bit product, so never `range` itself).
  uint32_t NextRandom(uint32_t range) {
    random_state_ = random_state_ * 134775813u + 1u;
    return static_cast<uint32_t>((uint64_t{range} * random_state_) >> 32);
  }

  TParamCollection& table() { return table_; }
  SysFuncHost* host() { return host_; }

 private:
  TParamCollection& table_;
  SysFuncHost* host_;
  SysFuncHost no_host_;
  uint32_t random_state_ = 0;
};

}  // namespace vesk::expr
