#pragma once
// The fixed facts of the numbered properties every scene object answers:
// each one's value type, the class level that keeps it, the answer of an
// object whose kind does not use it, whether scripts may write it, and how a
// creation command reads it (which is not always the property's own type)
// with the value it takes when the command leaves it out.
#include <cstdint>

#include "lang/vocabulary.h"

namespace vesk::lang {

enum class PropType : uint8_t { kStr, kInt, kFlag, kReal };
enum class PropLevel : uint8_t { kObject, kControl, kKind };
// kNever: creation commands carry the property but never apply it.
enum class CreationRead : uint8_t { kReadStr, kReadFlag, kReadReal, kReadInt, kNever };

struct PropertyInfo {
  PropType type;
  PropLevel level;
  int32_t default_int;  // integers and flags; strings answer "" and reals 0.0
  bool read_only;
  CreationRead creation_read;
  int32_t creation_default;  // integers and flags read by creation
};

// The row of property `id`; throws std::out_of_range outside 0..kPropertyCount-1.
const PropertyInfo& Property(int id);
// The value type code the expression evaluator gives a temporary that reads
// property `id`: PT_INT, PT_FLOAT, PT_BOOL or PT_STR.
int PropertyTypeCode(int id);

}  // namespace vesk::lang
