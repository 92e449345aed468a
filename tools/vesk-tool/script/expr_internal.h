#pragma once
// Pieces the expression compiler and decompiler share: the syntax tree the
// parser builds, the operator table both directions read, and the name
// rules (reserved words, vocabulary constants, system variables).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "expr/parser.h"
#include "lang/vocabulary.h"
#include "vesk-tool/script/expr_compiler.h"
#include "vesk-tool/script/lexer.h"

namespace vesk::tool::script::expr_detail {

enum class NodeKind { kInt, kReal, kFlag, kString, kVar, kElement, kOp, kCall };

struct Node {
  NodeKind kind = NodeKind::kInt;
  int line = 0;
  int column = 0;
  int64_t int_value = 0;
  // Hex literals are bit patterns: negating one wraps instead of overflowing.
  bool wraps = false;
  long double real_value = 0;
  bool flag = false;
  std::string text;  // string value, variable name or array name (CP932)
  uint8_t op = 0;    // kOp: operator code
  uint8_t func = 0;  // kCall: function id
  // kOp: A and B; kCall: the arguments; kElement: the indices.
  std::vector<std::unique_ptr<Node>> kids;
  int type = 0;  // static PT_ type, filled in by the typing help; 0 unknown

  // Leaves become operands themselves; everything else needs an operation.
  bool IsLeaf() const { return kind <= NodeKind::kVar; }
};
using NodePtr = std::unique_ptr<Node>;

struct Statement {
  NodePtr target;  // kVar or kElement; null for a value statement
  NodePtr value;
};

// Binary operators by precedence level, 1 the loosest. The first entry of an
// operator is the spelling the decompiler prints.
struct InfixOperator {
  const char* text;
  int level;
  uint8_t op;
};
inline constexpr InfixOperator kInfixOperators[] = {
    {"or", 1, lang::ocOr},    {"|", 1, lang::ocOr},      {"xor", 2, lang::ocXor},
    {"^", 2, lang::ocXor},    {"and", 3, lang::ocAnd},   {"&", 3, lang::ocAnd},
    {"==", 4, lang::ocEqual}, {"!=", 4, lang::ocNEqual}, {"<>", 4, lang::ocNEqual},
    {"<", 5, lang::ocSmall},  {">", 5, lang::ocBig},     {"<=", 5, lang::ocESmall},
    {">=", 5, lang::ocEBig},  {"<<", 6, lang::ocShiftL}, {">>", 6, lang::ocShiftR},
    {"+", 7, lang::ocPlus},   {"-", 7, lang::ocMinus},   {"~", 7, lang::ocComboStr},
    {"*", 8, lang::ocMul},    {"/", 8, lang::ocDiv},     {"%", 8, lang::ocMod},
    {"mod", 8, lang::ocMod},
};
inline constexpr int kLoosestLevel = 1;
inline constexpr int kTightestLevel = 8;
inline constexpr int kUnaryLevel = 9;
inline constexpr int kPrimaryLevel = 10;

inline constexpr std::string_view kResultName = "____arg";
// More values and operators than this in one infix expression is an error;
// longer compiled expressions decompile to the raw form.
inline constexpr int kMaxExpressionNodes = 4096;

// The infix entry of operator `op`, or nullptr when it has no infix form.
const InfixOperator* InfixFor(uint8_t op);
// Words that are never variable names in infix text (ASCII case ignored),
// and the two raw-form markers `var` and `real`.
bool IsReservedWord(std::string_view name);
// The id of a vocabulary constant spelled exactly `name`, or -1.
int ConstantId(std::string_view name);
// The system variable "@Name" (ASCII case ignored), or -1.
int SystemVariableIndex(std::string_view name);
// A name the compiler keeps for its temporaries ("____...").
bool IsTemporaryName(std::string_view name);

// The statements of infix text; none for `()`, or for nothing at all when
// allow_missing. Throws CompileError.
std::vector<Statement> ParseStatements(TokenStream& in, bool allow_missing);
// Whether the stream is at `raw{`.
bool AtRaw(const TokenStream& in);
// Reads raw{...} into `out` exactly as written; the variables it names go
// to `names_used` when that is set.
void ParseRaw(TokenStream& in, expr::TVeskParser& out, std::vector<NameUse>* names_used);

}  // namespace vesk::tool::script::expr_detail
