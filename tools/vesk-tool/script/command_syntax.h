#pragma once
// The fields each command shows in the script language: one table serves
// the compiler (what a key fills) and the decompiler (what to print), so the
// two cannot drift apart. Component commands are not listed here: their
// fields are the properties of their page's schema.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "script/commands.h"

namespace vesk::tool::script {

enum class FieldKind {
  kExpr,    // an expression; omitted = empty
  kCond,    // an expression; omitted = the constant true
  kList,    // (expr, expr, ...)
  kName,    // a string literal or a bare name (labels, variables)
  kPage,    // a page file name; a bare name gets ".lsb"
  kTarget,  // a command index or a label of the target page
  kInt,     // an integer literal
  kByte,    // an integer literal 0..255 (or true/false)
  kType,    // int / real / flag / str or a number
  kScope,   // global / auto / local / status or a number
  kText,    // a string literal kept as raw bytes
};

using FieldRef = std::variant<expr::TVeskParser*, std::vector<expr::TVeskParser>*, std::string*,
                              int32_t*, uint8_t*, std::vector<uint8_t>*>;

struct Field {
  const char* key;
  FieldKind kind;
  FieldRef ref;
  bool positional = false;  // may follow the command name without its key
};

// The fields of a command in record order, limited to those its page
// version stores. Empty for commands without fields and for components.
std::vector<Field> FieldsOf(vesk::script::TCommand& command, int32_t page_version);

// The name a command id is written with ("If", "BoxNew", ...).
std::string CommandName(int id);
// The id of a command name (any letter case; "ElseIf" too), -1 when none.
int FindCommand(std::string_view name);

// Whether the command creates a scene object from property expressions.
bool IsComponentCommand(int id);
// Cabinet commands: component part plus mode and names.
bool IsCabinetCommand(int id);

// Property ids by key: "lang::PR_LEFT", "Left", "left"; -1 when none.
int FindProperty(std::string_view key);
// The key the decompiler writes for a property ("left", "fontheight").
std::string PropertyKey(int property_id);

// Type and scope words.
int FindTypeWord(std::string_view word);   // 1..4, -1
const char* TypeWord(int type_code);       // nullptr outside 1..4
int FindScopeWord(std::string_view word);  // 0..3, -1
const char* ScopeWord(int scope);          // nullptr outside 0..3

}  // namespace vesk::tool::script
