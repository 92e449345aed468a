// Infix text and raw{...} to the expression syntax tree / operations.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "core/sjis.h"
#include "expr/param_text.h"
#include "platform/cp932.h"
#include "vesk-tool/script/expr_internal.h"

namespace vesk::tool::script::expr_detail {

using namespace vesk::lang;  // the vocabulary ids

using lang::FindByName;
using lang::FindByNameIgnoreCase;
using lang::Vocabulary;

namespace {

// Deeper nesting than this is certainly not written by hand; refusing it
// keeps hostile text from exhausting the stack.
constexpr int kMaxNesting = 256;

std::unordered_map<std::string, int> BuildConstantTable() {
  std::unordered_map<std::string, int> names;
  for (int which = 0; which < lang::kVocabularyCount; ++which) {
    const auto kind = static_cast<Vocabulary>(which);
    // Commands and operators are not values; system variables and functions
    // have their own syntax.
    if (kind == Vocabulary::kCommands || kind == Vocabulary::kOperators ||
        kind == Vocabulary::kSystemVariables || kind == Vocabulary::kSystemFunctions)
      continue;
    const auto entries = lang::Table(kind);
    for (size_t id = 0; id < entries.size(); ++id)
      if (entries[id].name) names.emplace(entries[id].name, static_cast<int>(id));
  }
  return names;
}

// Token text is CP932; messages are UTF-8.
std::string Shown(std::string_view cp932) {
  return platform::Cp932ToUtf8(cp932);
}

NodePtr MakeNode(NodeKind kind, const Token& at) {
  auto n = std::make_unique<Node>();
  n->kind = kind;
  n->line = at.line;
  n->column = at.column;
  return n;
}

NodePtr MakeOp(uint8_t op, NodePtr a, NodePtr b) {
  auto n = std::make_unique<Node>();
  n->kind = NodeKind::kOp;
  n->op = op;
  n->line = a->line;
  n->column = a->column;
  n->kids.push_back(std::move(a));
  n->kids.push_back(std::move(b));
  return n;
}

std::string Describe(const Token& t) {
  switch (t.kind) {
    case Tok::kEnd:
      return "the end of the line";
    case Tok::kString:
      return "a string";
    default:
      return "'" + Shown(t.text) + "'";
  }
}

class InfixParser {
 public:
  explicit InfixParser(TokenStream& in) : in_(in) {}

  std::vector<Statement> Statements(bool allow_missing) {
    if (in_.Peek().Is("(") && in_.Peek(1).Is(")")) {
      in_.Next();
      in_.Next();
      return {};
    }
    std::vector<Statement> out;
    do {
      std::optional<Statement> s = OneStatement();
      if (!s) {
        // A ';' may end the list; nothing at all is the caller's decision.
        if (out.empty() && !allow_missing)
          in_.Fail("expected an expression, found " + Describe(in_.Peek()));
        break;
      }
      out.push_back(std::move(*s));
    } while (in_.Accept(";"));
    return out;
  }

 private:
  std::optional<Statement> OneStatement() {
    NodePtr lhs = Binary(kLoosestLevel);
    if (!lhs) return std::nullopt;
    if (!in_.Peek().Is("=")) return Statement{nullptr, std::move(lhs)};
    const Token eq = in_.Next();
    if (lhs->kind != NodeKind::kVar && lhs->kind != NodeKind::kElement)
      in_.Fail(eq, "only a variable or an array element can be assigned");
    NodePtr rhs = Required(eq);
    if (in_.Peek().Is("=")) in_.Fail("a statement assigns once; separate statements with ';'");
    return Statement{std::move(lhs), std::move(rhs)};
  }

  // The operator at the stream position if it belongs to `level`, else -1.
  int OperatorAt(int level) const {
    const Token& t = in_.Peek();
    if (t.kind == Tok::kIdent && t.is_key) return -1;
    for (const InfixOperator& o : kInfixOperators) {
      if (o.level != level) continue;
      const bool word = o.text[0] >= 'a' && o.text[0] <= 'z';
      if (word ? t.IsWord(o.text) : t.Is(o.text)) return o.op;
    }
    return -1;
  }

  NodePtr Binary(int level) {
    if (level > kTightestLevel) return Unary();
    NodePtr left = Binary(level + 1);
    if (!left) return nullptr;
    for (int op; (op = OperatorAt(level)) >= 0;) {
      const Token at = in_.Next();
      Grow(at);
      left = MakeOp(static_cast<uint8_t>(op), std::move(left), RequiredAt(level + 1, at));
    }
    return left;
  }

  NodePtr RequiredAt(int level, const Token& after) {
    NodePtr n = Binary(level);
    if (!n) in_.Fail("expected a value after '" + after.text + "', found " + Describe(in_.Peek()));
    return n;
  }
  NodePtr Required(const Token& after) { return RequiredAt(kLoosestLevel, after); }

  NodePtr Unary() {
    const Token t = in_.Peek();
    Grow(t);
    const bool minus = t.Is("-");
    const bool negation = t.IsWord("not") && !t.is_key;
    if (!minus && !negation) return Primary();
    in_.Next();
    Nest nest(*this, t);
    NodePtr x = Unary();
    if (!x) in_.Fail("expected a value after '" + t.text + "', found " + Describe(in_.Peek()));
    if (negation) return MakeCall(t, lang::FN_Not, std::move(x));
    return Negate(t, std::move(x));
  }

  // Constants take the sign; anything else is multiplied by -1.
  static NodePtr Negate(const Token& at, NodePtr x) {
    if (x->kind == NodeKind::kInt) {
      x->int_value =
          x->wraps ? static_cast<int32_t>(0u - static_cast<uint32_t>(x->int_value)) : -x->int_value;
    } else if (x->kind == NodeKind::kReal) {
      x->real_value = -x->real_value;
    } else {
      NodePtr minus_one = MakeNode(NodeKind::kInt, at);
      minus_one->int_value = -1;
      return MakeOp(lang::ocMul, std::move(x), std::move(minus_one));
    }
    x->line = at.line;
    x->column = at.column;
    return x;
  }

  static NodePtr MakeCall(const Token& at, int id, NodePtr arg) {
    NodePtr n = MakeNode(NodeKind::kCall, at);
    n->func = static_cast<uint8_t>(id);
    n->kids.push_back(std::move(arg));
    return n;
  }

  NodePtr Primary() {
    const Token t = in_.Peek();
    switch (t.kind) {
      case Tok::kInt: {
        in_.Next();
        NodePtr n = MakeNode(NodeKind::kInt, t);
        n->int_value = t.int_value;
        n->wraps = t.text.size() > 1 && (t.text[1] == 'x' || t.text[1] == 'X');
        return n;
      }
      case Tok::kReal: {
        in_.Next();
        NodePtr n = MakeNode(NodeKind::kReal, t);
        n->real_value = t.real_value;
        return n;
      }
      case Tok::kString: {
        in_.Next();
        NodePtr n = MakeNode(NodeKind::kString, t);
        n->text = t.text;
        return n;
      }
      case Tok::kQuotedName:
        in_.Next();
        return Name(t);
      case Tok::kSysVar:
        if (SystemVariableIndex(t.text) < 0)
          in_.Fail(t, "unknown system variable '" + Shown(t.text) + "'");
        in_.Next();
        return Name(t);
      case Tok::kIdent:
        return t.is_key ? nullptr : Word(t);
      default:
        break;
    }
    if (!t.Is("(")) return nullptr;
    in_.Next();
    Nest nest(*this, t);
    NodePtr inner = Binary(kLoosestLevel);
    if (!inner) in_.Fail("expected an expression inside '(', found " + Describe(in_.Peek()));
    in_.Expect(")");
    return inner;
  }

  NodePtr Word(const Token& t) {
    if (t.IsWord("true") || t.IsWord("false")) {
      in_.Next();
      NodePtr n = MakeNode(NodeKind::kFlag, t);
      n->flag = t.IsWord("true");
      return n;
    }
    if (IsOperatorWord(t)) return nullptr;
    if (t.IsWord("raw") && in_.Peek(1).Is("{"))
      in_.Fail(t, "raw{...} must be the whole expression");
    if (in_.Peek(1).Is("(")) return Call(t);
    if (t.IsWord("raw"))
      in_.Fail(t, "'" + t.text + "' is a reserved word; write $\"" + t.text + "\" for a variable");
    in_.Next();
    if (const int id = ConstantId(t.text); id >= 0) {
      NodePtr n = MakeNode(NodeKind::kInt, t);
      n->int_value = id;
      return n;
    }
    return Name(t);
  }

  static bool IsOperatorWord(const Token& t) {
    return t.IsWord("and") || t.IsWord("or") || t.IsWord("xor") || t.IsWord("mod");
  }

  // A variable, or an element when indices follow. The name token is consumed.
  NodePtr Name(const Token& t) {
    if (IsTemporaryName(t.text))
      in_.Fail(t, "names starting with ____ are kept for the compiler's temporaries");
    NodePtr n = MakeNode(NodeKind::kVar, t);
    n->text = t.text;
    if (!in_.Peek().Is("[")) return n;
    const Token open = in_.Next();
    n->kind = NodeKind::kElement;
    ListUntil(open, *n);
    in_.Expect("]");
    return n;
  }

  NodePtr Call(const Token& t) {
    const int id = FindByNameIgnoreCase(lang::SystemFunctions(), t.text);
    if (id < 0) in_.Fail(t, "unknown function '" + Shown(t.text) + "'");
    in_.Next();
    const Token open = in_.Next();
    NodePtr n = MakeNode(NodeKind::kCall, t);
    n->func = static_cast<uint8_t>(id);
    if (in_.Accept(")")) return n;
    ListUntil(open, *n);
    in_.Expect(")");
    return n;
  }

  // Comma-separated values after `open`, into n's kids.
  void ListUntil(const Token& open, Node& n) {
    Nest nest(*this, open);
    Token after = open;
    while (true) {
      n.kids.push_back(Required(after));
      if (!in_.Peek().Is(",")) return;
      after = in_.Next();
    }
  }

  // Counts the open brackets and signs while one is parsed.
  class Nest {
   public:
    Nest(InfixParser& p, const Token& at) : p_(p) {
      if (++p_.depth_ > kMaxNesting) p_.in_.Fail(at, "expression nested too deeply");
    }
    ~Nest() { --p_.depth_; }
    Nest(const Nest&) = delete;
    Nest& operator=(const Nest&) = delete;

   private:
    InfixParser& p_;
  };

  // The tree is walked recursively later; a bound on its size bounds that.
  void Grow(const Token& at) {
    if (++nodes_ > kMaxExpressionNodes) in_.Fail(at, "expression too long");
  }

  TokenStream& in_;
  int depth_ = 0;
  int nodes_ = 0;
};

// --- raw{...} ---

class RawParser {
 public:
  RawParser(TokenStream& in, std::vector<NameUse>* names_used) : in_(in), names_used_(names_used) {}

  void Run(expr::TVeskParser& out) {
    in_.Next();  // raw
    in_.Next();  // {
    while (!in_.Accept("}")) {
      out.Ops.push_back(Operation());
      if (!in_.Accept(";")) {
        in_.Expect("}");
        break;
      }
    }
  }

 private:
  std::unique_ptr<expr::TOpeData> Operation() {
    auto op = std::make_unique<expr::TOpeData>();
    const Token name = in_.Next();
    const int code = name.kind == Tok::kIdent ? OperatorCode(name.text) : -1;
    if (code < 0)
      in_.Fail(name,
               "expected an operator name (ocTo, ocPlus, ..., or opN), found " + Describe(name));
    op->Op = static_cast<uint8_t>(code);
    if (code == lang::ocFunc) {
      in_.Expect(":");
      op->FuncId = FunctionId();
    }
    op->Dest = NameOperand("a destination");
    in_.Expect("=");
    if (in_.Peek().Is(";") || in_.Peek().Is("}")) return op;
    do {
      op->Operands.push_back(Operand());
    } while (in_.Accept(","));
    return op;
  }

  static int OperatorCode(const std::string& text) {
    const int known = FindByName(lang::Operators(), text);
    if (known >= 0) return known;
    return NumberAfter(text, "op");
  }

  // N from "<prefix>N" with N 0..255, else -1.
  static int NumberAfter(const std::string& text, std::string_view prefix) {
    if (text.size() <= prefix.size() || text.size() > prefix.size() + 3 ||
        text.compare(0, prefix.size(), prefix) != 0)
      return -1;
    int n = 0;
    for (size_t i = prefix.size(); i < text.size(); ++i) {
      if (text[i] < '0' || text[i] > '9') return -1;
      n = n * 10 + (text[i] - '0');
    }
    return n <= 255 ? n : -1;
  }

  uint8_t FunctionId() {
    const Token t = in_.Next();
    int id = -1;
    if (t.kind == Tok::kInt && t.int_value >= 0 && t.int_value <= 255)
      id = static_cast<int>(t.int_value);
    if (t.kind == Tok::kIdent) id = FindByNameIgnoreCase(lang::SystemFunctions(), t.text);
    if (id < 0) in_.Fail(t, "expected a function id 0..255 or a function name");
    return static_cast<uint8_t>(id);
  }

  // `var "text"` names anything, even the empty name.
  bool AtMarked(std::string_view marker) const {
    return in_.Peek().IsWord(marker) && in_.Peek(1).kind == Tok::kString;
  }

  std::string NameOperand(const char* what) {
    const bool marked = AtMarked("var");
    if (marked) in_.Next();
    const Token t = in_.Next();
    if (!marked && t.kind != Tok::kIdent && t.kind != Tok::kQuotedName && t.kind != Tok::kSysVar)
      in_.Fail(t, std::string("expected ") + what + ", found " + Describe(t));
    if (names_used_ && t.kind != Tok::kSysVar && !t.text.empty() && !IsTemporaryName(t.text))
      names_used_->push_back({t.text, t.line, t.column});
    return t.text;
  }

  std::unique_ptr<expr::TCustomParam> Operand() {
    const Token t = in_.Peek();
    const bool negative = in_.Accept("-");
    const Token& v = in_.Peek();
    if (v.kind == Tok::kInt) {
      const int64_t value = negative ? -v.int_value : v.int_value;
      if (value < INT32_MIN || value > INT32_MAX) in_.Fail(t, "integer out of range");
      in_.Next();
      auto p = std::make_unique<expr::TParamInt>();
      p->SetInt(static_cast<int32_t>(value));
      return p;
    }
    if (v.kind == Tok::kReal) {
      auto p = std::make_unique<expr::TParamFloat>();
      p->SetFloat(negative ? -v.real_value : v.real_value);
      in_.Next();
      return p;
    }
    if (negative) in_.Fail(t, "expected a number after '-'");
    return NonNumber();
  }

  std::unique_ptr<expr::TCustomParam> NonNumber() {
    const Token t = in_.Peek();
    if (t.IsWord("true") || t.IsWord("false")) {
      in_.Next();
      auto p = std::make_unique<expr::TParamFlag>();
      p->SetFlag(t.IsWord("true"));
      return p;
    }
    if (t.kind == Tok::kString) {
      in_.Next();
      auto p = std::make_unique<expr::TParamStr>();
      p->SetStr(t.text);
      return p;
    }
    if (AtMarked("real")) {
      in_.Next();
      auto p = std::make_unique<expr::TParamFloat>();
      p->SetFloat(ExtendedBits(in_.Next()));
      return p;
    }
    auto ref = std::make_unique<expr::TParamVar>();
    ref->RefName = NameOperand("an operand");
    return ref;
  }

  // real "HHHH...": the 10 stored bytes, most significant first, for values
  // no decimal text gives back (infinities, NaNs, unnormals).
  expr::Real ExtendedBits(const Token& t) {
    uint8_t bytes[10] = {};
    bool ok = t.text.size() == 20;
    for (size_t i = 0; ok && i < 20; ++i) {
      const int digit = HexDigit(t.text[i]);
      ok = digit >= 0;
      bytes[9 - i / 2] = static_cast<uint8_t>(bytes[9 - i / 2] * 16 + (ok ? digit : 0));
    }
    if (!ok) in_.Fail(t, "real \"...\" takes 20 hex digits");
    return LoadExtended(bytes);
  }

  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  }

  TokenStream& in_;
  std::vector<NameUse>* names_used_;
};

}  // namespace

const InfixOperator* InfixFor(uint8_t op) {
  for (const InfixOperator& o : kInfixOperators)
    if (o.op == op) return &o;
  return nullptr;
}

bool IsReservedWord(std::string_view name) {
  for (const char* word : {"and", "or", "xor", "mod", "not", "true", "false", "raw", "var", "real"})
    if (EqualsIgnoreAsciiCase(name, word)) return true;
  return false;
}

int ConstantId(std::string_view name) {
  static const std::unordered_map<std::string, int> table = BuildConstantTable();
  const auto it = table.find(std::string(name));
  return it == table.end() ? -1 : it->second;
}

int SystemVariableIndex(std::string_view name) {
  return FindByNameIgnoreCase(lang::SystemVariables(), name);
}

bool IsTemporaryName(std::string_view name) {
  return name.substr(0, 4) == "____";
}

std::vector<Statement> ParseStatements(TokenStream& in, bool allow_missing) {
  return InfixParser(in).Statements(allow_missing);
}

bool AtRaw(const TokenStream& in) {
  return in.Peek().IsWord("raw") && !in.Peek().is_key && in.Peek(1).Is("{");
}

void ParseRaw(TokenStream& in, expr::TVeskParser& out, std::vector<NameUse>* names_used) {
  RawParser(in, names_used).Run(out);
}

}  // namespace vesk::tool::script::expr_detail
