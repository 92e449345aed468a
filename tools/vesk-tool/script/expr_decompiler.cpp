// Compiled expressions back to text: infix when the operations have the
// compiler's shape, raw{...} otherwise. Infix text is only returned after it
// has been compiled again and found to give the same bytes, so the printer
// may be simple-minded about odd shapes.
#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "expr/param_text.h"
#include "vesk-tool/script/expr_compiler.h"
#include "vesk-tool/script/expr_internal.h"

namespace vesk::tool::script {

using namespace vesk::lang;  // the vocabulary ids

using namespace expr_detail;

namespace {

bool IsAsciiIdentChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// A variable name as text that reads back as that same variable, in infix
// and in raw form alike.
std::string VariableText(const std::string& name) {
  if (name.empty()) return "var \"\"";
  if (name[0] == '@' && SystemVariableIndex(name) >= 0) {
    bool plain = name.size() > 1;
    for (size_t i = 1; i < name.size(); ++i) plain = plain && IsAsciiIdentChar(name[i]);
    if (plain) return name;
  }
  std::string text = NameText(name);
  if (text[0] != '$' && (IsReservedWord(text) || ConstantId(text) >= 0))
    text = "$" + QuoteString(name);
  return text;
}

std::string Hex(const uint8_t* bytes, int count) {
  std::string out;
  char buf[3];
  for (int i = count - 1; i >= 0; --i) {
    std::snprintf(buf, sizeof buf, "%02X", bytes[i]);
    out += buf;
  }
  return out;
}

// Decimal text when the lexer reads it back to the same stored bytes.
std::optional<std::string> DecimalReal(expr::Real value) {
  const std::string text = RealText(value);
  if (text.empty()) return std::nullopt;
  const bool negative = text[0] == '-';
  const std::vector<Token> tokens = Tokenize(std::string_view(text).substr(negative ? 1 : 0), 1);
  if (tokens.size() != 1 || tokens[0].kind != Tok::kReal) return std::nullopt;
  uint8_t want[10], got[10];
  StoreExtended(value, want);
  StoreExtended(negative ? -tokens[0].real_value : tokens[0].real_value, got);
  if (!std::equal(want, want + 10, got)) return std::nullopt;
  return text;
}

// --- raw form ---

std::string RawOperand(const expr::TCustomParam& p) {
  if (const expr::TParamVar* ref = p.AsVar()) return VariableText(ref->RefName);
  switch (p.ParamType()) {
    case lang::PT_INT:
      return std::to_string(p.GetInt());
    case lang::PT_FLOAT: {
      if (auto text = DecimalReal(p.GetFloat())) return *text;
      uint8_t bytes[10];
      StoreExtended(p.GetFloat(), bytes);
      return "real \"" + Hex(bytes, 10) + "\"";
    }
    case lang::PT_BOOL:
      return p.GetFlag() ? "true" : "false";
    case lang::PT_STR:
      return QuoteString(p.GetStr());
    default:
      return VariableText(p.GetStr());  // stored as a variable name
  }
}

std::string RawOperation(const expr::TOpeData& op) {
  const auto names = Operators();
  std::string text = op.Op < names.size() ? names[op.Op].name : "op" + std::to_string(op.Op);
  if (op.Op == ocFunc) text += ":" + std::to_string(op.FuncId);
  text += " " + VariableText(op.Dest) + " =";
  for (size_t i = 0; i < op.Operands.size(); ++i) {
    text += i == 0 ? " " : ", ";
    text += op.Operands[i] ? RawOperand(*op.Operands[i]) : "0";
  }
  return text;
}

std::string RawForm(const expr::TVeskParser& e) {
  std::string text = "raw{";
  for (size_t i = 0; i < e.Ops.size(); ++i) text += (i ? "; " : "") + RawOperation(*e.Ops[i]);
  return text + "}";
}

// --- infix ---

struct NotInfix {};

struct Text {
  std::string s;
  int level;  // precedence: binary levels, then unary, then primary
};

bool IsCompilerTemporary(const std::string& name) {
  if (name.size() <= 4 || !IsTemporaryName(name)) return false;
  for (size_t i = 4; i < name.size(); ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}

class InfixPrinter {
 public:
  explicit InfixPrinter(const expr::TVeskParser& e) : e_(e) {
    for (const auto& op : e.Ops) {
      ++defined_[op->Dest];
      for (const auto& operand : op->Operands) {
        if (!operand) throw NotInfix{};
        if (const expr::TParamVar* ref = operand->AsVar()) ++used_[ref->RefName];
      }
    }
  }

  std::string Print() {
    std::string out;
    for (const auto& op : e_.Ops) {
      const std::optional<std::string> statement = Take(*op);
      if (statement) out += (out.empty() ? "" : "; ") + *statement;
    }
    if (!pending_.empty() || !elements_.empty()) throw NotInfix{};
    return out;
  }

 private:
  int Count(const std::map<std::string, int>& counts, const std::string& name) const {
    const auto it = counts.find(name);
    return it == counts.end() ? 0 : it->second;
  }

  // Files an operation: a temporary read once becomes part of the statement
  // that reads it; an ocDimTo whose temporary is written once is the target
  // of an element assignment; anything else is a statement.
  std::optional<std::string> Take(const expr::TOpeData& op) {
    const std::string& dest = op.Dest;
    if (IsCompilerTemporary(dest) && !elements_.count(dest)) {
      const int defined = Count(defined_, dest), used = Count(used_, dest);
      if (defined == 1 && used == 1) {
        pending_[dest] = Expression(op);
        return std::nullopt;
      }
      if (op.Op == ocDimTo && defined == 2 && used == 0) {
        elements_[dest] = Expression(op).s;
        return std::nullopt;
      }
    }
    if (op.Op == ocDimTo) throw NotInfix{};
    const Text value =
        op.Op == ocTo && op.Operands.size() == 1 ? Operand(*op.Operands[0]) : Expression(op);
    if (const auto it = elements_.find(dest); it != elements_.end()) {
      const std::string target = it->second;
      elements_.erase(it);
      return target + " = " + value.s;
    }
    if (op.Op == ocTo && dest == kResultName) return value.s;
    return VariableText(dest) + " = " + value.s;
  }

  Text Operand(const expr::TCustomParam& p) {
    if (const expr::TParamVar* ref = p.AsVar()) {
      const auto it = pending_.find(ref->RefName);
      if (it == pending_.end()) return {VariableText(ref->RefName), kPrimaryLevel};
      Text inlined = std::move(it->second);
      pending_.erase(it);
      return inlined;
    }
    switch (p.ParamType()) {
      case lang::PT_INT:
        return {std::to_string(p.GetInt()), p.GetInt() < 0 ? kUnaryLevel : kPrimaryLevel};
      case lang::PT_FLOAT: {
        const std::string text = RealText(p.GetFloat());
        if (text.empty()) throw NotInfix{};
        return {text, text[0] == '-' ? kUnaryLevel : kPrimaryLevel};
      }
      case lang::PT_BOOL:
        return {p.GetFlag() ? "true" : "false", kPrimaryLevel};
      case lang::PT_STR:
        return {QuoteString(p.GetStr()), kPrimaryLevel};
      default:
        return {VariableText(p.GetStr()), kPrimaryLevel};
    }
  }

  static std::string Wrap(const Text& t, bool parens) { return parens ? "(" + t.s + ")" : t.s; }

  std::string List(const expr::Operands& operands, size_t first) {
    std::string out;
    for (size_t i = first; i < operands.size(); ++i)
      out += (i > first ? ", " : "") + Operand(*operands[i]).s;
    return out;
  }

  Text Expression(const expr::TOpeData& op) {
    const auto& operands = op.Operands;
    if (op.Op == ocFunc) return Call(op);
    if (op.Op == ocDimTo) {
      const expr::TParamVar* array = operands.size() >= 2 ? operands[0]->AsVar() : nullptr;
      if (!array || pending_.count(array->RefName)) throw NotInfix{};
      return {VariableText(array->RefName) + "[" + List(operands, 1) + "]", kPrimaryLevel};
    }
    const InfixOperator* infix = InfixFor(op.Op);
    if (!infix || operands.size() != 2) throw NotInfix{};
    const Text a = Operand(*operands[0]);
    const Text b = Operand(*operands[1]);
    return {Wrap(a, a.level < infix->level) + " " + infix->text + " " +
                Wrap(b, b.level <= infix->level),
            infix->level};
  }

  Text Call(const expr::TOpeData& op) {
    if (op.FuncId == FN_Not && op.Operands.size() == 1) {
      const Text x = Operand(*op.Operands[0]);
      return {"not " + Wrap(x, x.level < kUnaryLevel), kUnaryLevel};
    }
    const VocabEntry* entry = EntryAt(SystemFunctions(), op.FuncId);
    if (!entry) throw NotInfix{};
    return {std::string(entry->name) + "(" + List(op.Operands, 0) + ")", kPrimaryLevel};
  }

  const expr::TVeskParser& e_;
  std::map<std::string, int> defined_;
  std::map<std::string, int> used_;
  std::map<std::string, Text> pending_;          // temporaries waiting for their one reader
  std::map<std::string, std::string> elements_;  // element targets waiting for their value
};

std::optional<std::string> Infix(const expr::TVeskParser& e) {
  std::string text;
  try {
    text = InfixPrinter(e).Print();
    if (SameExpression(CompileExpressionText(text), e)) return text;
  } catch (const NotInfix&) {
  } catch (const CompileError&) {
  }
  return std::nullopt;
}

}  // namespace

std::string DecompileExpression(const expr::TVeskParser& expression) {
  if (expression.Ops.empty()) return "()";
  if (expression.Ops.size() > static_cast<size_t>(kMaxExpressionNodes)) return RawForm(expression);
  if (auto text = Infix(expression)) return *text;
  return RawForm(expression);
}

}  // namespace vesk::tool::script
