#pragma once
// The expression half of the script compiler: infix text to the compiled
// three-address form the player runs (TVeskParser), and back.
//
// Code shape (the decompiler relies on it): operations are emitted in
// evaluation order, left operand first; every operator writes a fresh
// temporary "____0", "____1", ... numbered per expression; a value statement
// ends in lang::ocTo "____arg"; an assignment makes its outermost operation store
// straight into the named variable (or, for an element, into the lang::ocDimTo
// temporary made first). See docs/script-language.md.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "expr/parser.h"
#include "vesk-tool/script/lexer.h"

namespace vesk::tool::script {

// A variable name where the source reads or writes it.
struct NameUse {
  std::string name;  // CP932
  int line = 0;
  int column = 0;
};

// What the compiler knows about names, for the typing help (an integer
// constant next to a real becomes a real, ...). Unknown names answer 0.
struct ExprContext {
  // PT_ code (1 int, 2 real, 3 flag, 4 string) of a user variable, 0 unknown.
  std::function<int(std::string_view name_cp932)> variable_type;
  // When set, receives every user variable the expressions name (system
  // variables and the compiler's temporaries left out), so the driver can
  // warn about names nothing declares.
  std::vector<NameUse>* names_used = nullptr;
};

// Parses one expression at the stream's position and stops before the first
// token that cannot continue it: the end, a ',' or ')' outside brackets, or
// a field key (an identifier followed by ':'). `()` alone is the empty
// expression; nothing at all is an error unless allow_missing, in which case
// the result is empty too. Throws CompileError.
expr::TVeskParser CompileExpression(TokenStream& in, const ExprContext& context,
                                    bool allow_missing = false);
// The same over a whole text (line 1); trailing tokens are an error.
expr::TVeskParser CompileExpressionText(std::string_view text, const ExprContext& context = {});

// Text that CompileExpression turns back into exactly these operations:
// infix when the operations have the compiler's shape, otherwise the
// raw{...} form. An empty expression is "()".
std::string DecompileExpression(const expr::TVeskParser& expression);

// Byte-exact comparison of two compiled expressions (their stored forms).
bool SameExpression(const expr::TVeskParser& a, const expr::TVeskParser& b);

}  // namespace vesk::tool::script
