#pragma once
// The 159 numbered properties every scene object answers: each one's value
// type, the answer of an object whose kind does not use it, the class level
// that keeps it, and whether scripts may write it.
#include <cstdint>

namespace vesk::scene {

inline constexpr int kPropertyCount = 159;

enum class PropType : uint8_t { kStr, kInt, kFlag, kReal };
enum class PropLevel : uint8_t { kObject, kControl, kKind };

struct PropertyInfo {
  PropType type;
  PropLevel level;
  int32_t default_int;  // integers and flags; strings answer "" and reals 0.0
  bool read_only;
};

// The row of property id `id` (0..158).
const PropertyInfo& Property(int id);
// The value type code (1 int, 2 real, 3 flag, 4 string) the expression
// evaluator gives a temporary that reads property `id`.
int PropertyTypeCode(int id);

}  // namespace vesk::scene
