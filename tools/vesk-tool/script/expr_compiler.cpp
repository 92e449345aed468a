// Code generation: the syntax tree to three-address operations, with the
// typing help that keeps temporaries from silently truncating.
#include "vesk-tool/script/expr_compiler.h"

#include <cstdint>

#include "expr/system_variables.h"
#include "platform/cp932.h"
#include "vesk-tool/script/expr_internal.h"

namespace vesk::tool::script {

using namespace vesk::lang;  // the vocabulary ids

using namespace expr_detail;

namespace {

using lang::PT_BOOL;
using lang::PT_FLOAT;
using lang::PT_INT;
using lang::PT_NONE;
using lang::PT_STR;

// The type a fresh temporary gets at run time, from the operator and the
// type of its first operand (see TVeskParser::Run).
int TemporaryType(uint8_t op, int a) {
  switch (op) {
    case ocTo:
      return a;
    case ocPlus:
      if (a == lang::PT_STR || a == lang::PT_FLOAT || a == lang::PT_NONE) return a;
      return lang::PT_INT;
    case ocMinus:
    case ocMul:
    case ocDiv:
      if (a == lang::PT_FLOAT || a == lang::PT_NONE) return a;
      return lang::PT_INT;
    case ocMod:
    case ocOr:
    case ocAnd:
    case ocXor:
    case ocShiftL:
    case ocShiftR:
      return lang::PT_INT;
    case ocEqual:
    case ocNEqual:
    case ocBig:
    case ocSmall:
    case ocEBig:
    case ocESmall:
      return lang::PT_BOOL;
    case ocComboStr:
      return lang::PT_STR;
    default:
      return lang::PT_NONE;
  }
}

bool IsArithmetic(uint8_t op) {
  return op == ocPlus || op == ocMinus || op == ocMul || op == ocDiv;
}

void CheckIntRange(const Node& n) {
  if (!n.wraps && (n.int_value < INT32_MIN || n.int_value > INT32_MAX))
    throw CompileError(n.line, n.column, "integer out of range");
}

std::unique_ptr<expr::TParamVar> Reference(const std::string& name) {
  auto ref = std::make_unique<expr::TParamVar>();
  ref->RefName = name;
  return ref;
}

class Generator {
 public:
  explicit Generator(const ExprContext& context) : context_(context) {}

  void Add(Statement& s) {
    if (!s.target) {
      Help(*s.value, true);
      auto value = Operand(*s.value);
      Push(ocTo, std::string(kResultName), Operands(std::move(value)));
      return;
    }
    // What stores into a variable takes that variable's type at run time, so
    // the outermost operation is left as written.
    if (s.target->kind == NodeKind::kVar) {
      Help(*s.value, false);
      Store(*s.value, s.target->text);
      return;
    }
    for (auto& index : s.target->kids) Help(*index, true);
    const std::string element = Emit(*s.target, nullptr);
    Help(*s.value, false);
    Store(*s.value, element);
  }

  expr::TVeskParser Take() { return std::move(out_); }

 private:
  static expr::Operands Operands(std::unique_ptr<expr::TCustomParam> only) {
    expr::Operands list;
    list.push_back(std::move(only));
    return list;
  }

  // Bottom-up: children first, so every node sees its operands' final types.
  void Help(Node& n, bool into_temporary) {
    for (auto& kid : n.kids) Help(*kid, true);
    if (n.kind == NodeKind::kOp && into_temporary) {
      WidenIntegerOperand(n);
      JoinStrings(n);
    }
    n.type = StaticType(n);
  }

  // int op real would keep the integer type of its first operand.
  void WidenIntegerOperand(Node& n) {
    Node& a = *n.kids[0];
    if (!IsArithmetic(n.op) || a.type != lang::PT_INT || n.kids[1]->type != lang::PT_FLOAT) return;
    if (a.kind == NodeKind::kInt) {
      CheckIntRange(a);
      a.kind = NodeKind::kReal;
      a.real_value = static_cast<long double>(a.int_value);
      a.type = lang::PT_FLOAT;
      return;
    }
    auto zero = std::make_unique<Node>();
    zero->kind = NodeKind::kReal;
    zero->type = lang::PT_FLOAT;
    auto widen = std::make_unique<Node>();
    widen->kind = NodeKind::kOp;
    widen->op = ocPlus;
    widen->type = lang::PT_FLOAT;
    widen->kids.push_back(std::move(zero));
    widen->kids.push_back(std::move(n.kids[0]));
    n.kids[0] = std::move(widen);
  }

  // A string on either side means joining; ocPlus would take a number's type
  // from a numeric first operand. A string first operand already joins.
  static void JoinStrings(Node& n) {
    const int a = n.kids[0]->type, b = n.kids[1]->type;
    if (n.op == ocPlus && (a == lang::PT_STR || b == lang::PT_STR) && a != lang::PT_NONE &&
        a != lang::PT_STR)
      n.op = ocComboStr;
  }

  int StaticType(const Node& n) const {
    switch (n.kind) {
      case NodeKind::kInt:
        return lang::PT_INT;
      case NodeKind::kReal:
        return lang::PT_FLOAT;
      case NodeKind::kFlag:
        return lang::PT_BOOL;
      case NodeKind::kString:
        return lang::PT_STR;
      case NodeKind::kVar:
      case NodeKind::kElement:
        return VariableType(n.text);
      case NodeKind::kCall:
        // GetProp's type depends on the property, known only to the scene.
        return n.func == FN_GetProp ? lang::PT_NONE : expr::TSysFuncMan::ResultType(n.func);
      case NodeKind::kOp:
        return TemporaryType(n.op, n.kids[0]->type);
    }
    return lang::PT_NONE;
  }

  int VariableType(const std::string& name) const {
    int type = lang::PT_NONE;
    if (const int id = SystemVariableIndex(name); id >= 0) {
      // @Result and @Temp forward to values known only at run time.
      if (id != lang::SV_Result && id != lang::SV_Temp)
        type = expr::TParamSystem(static_cast<uint8_t>(id), nullptr).ParamType();
    } else if (!name.empty() && name[0] != '@' && context_.variable_type) {
      type = context_.variable_type(name);
    }
    return type >= lang::PT_INT && type <= lang::PT_STR ? type : lang::PT_NONE;
  }

  std::unique_ptr<expr::TCustomParam> Operand(const Node& n) {
    switch (n.kind) {
      case NodeKind::kInt: {
        CheckIntRange(n);
        auto p = std::make_unique<expr::TParamInt>();
        p->SetInt(static_cast<int32_t>(n.int_value));
        return p;
      }
      case NodeKind::kReal: {
        auto p = std::make_unique<expr::TParamFloat>();
        p->SetFloat(n.real_value);
        return p;
      }
      case NodeKind::kFlag: {
        auto p = std::make_unique<expr::TParamFlag>();
        p->SetFlag(n.flag);
        return p;
      }
      case NodeKind::kString: {
        auto p = std::make_unique<expr::TParamStr>();
        p->SetStr(n.text);
        return p;
      }
      case NodeKind::kVar:
        return Reference(n.text);
      default:
        return Reference(Emit(n, nullptr));
    }
  }

  // An ocDimTo into an existing variable would not copy the element, so an
  // element read goes through its own temporary.
  void Store(const Node& value, const std::string& dest) {
    if (value.kind == NodeKind::kElement)
      Push(ocTo, dest, Operands(Operand(value)));
    else
      Emit(value, &dest);
  }

  // Emits the operation computing `n` into `dest` (a fresh temporary when
  // null, numbered after everything its operands needed) and names it.
  std::string Emit(const Node& n, const std::string* dest) {
    expr::Operands operands;
    uint8_t code = ocTo;
    uint8_t func = 0;
    switch (n.kind) {
      case NodeKind::kOp:
        code = n.op;
        break;
      case NodeKind::kCall:
        code = ocFunc;
        func = n.func;
        break;
      case NodeKind::kElement:
        code = ocDimTo;
        operands.push_back(Reference(n.text));
        break;
      default:
        operands.push_back(Operand(n));
        break;
    }
    for (const auto& kid : n.kids) operands.push_back(Operand(*kid));
    std::string name = dest ? *dest : "____" + std::to_string(next_temporary_++);
    Push(code, name, std::move(operands), func);
    return name;
  }

  void Push(uint8_t code, std::string dest, expr::Operands operands, uint8_t func = 0) {
    auto op = std::make_unique<expr::TOpeData>();
    op->Op = code;
    op->Dest = std::move(dest);
    op->FuncId = func;
    op->Operands = std::move(operands);
    out_.Ops.push_back(std::move(op));
  }

  const ExprContext& context_;
  expr::TVeskParser out_;
  int next_temporary_ = 0;
};

// Every user variable of the tree, in source order. System variables keep
// their '@'; the parser already refused unknown ones.
void CollectNames(const Node& n, std::vector<NameUse>& out) {
  if ((n.kind == NodeKind::kVar || n.kind == NodeKind::kElement) && !n.text.empty() &&
      n.text[0] != '@')
    out.push_back({n.text, n.line, n.column});
  for (const auto& kid : n.kids) CollectNames(*kid, out);
}

}  // namespace

expr::TVeskParser CompileExpression(TokenStream& in, const ExprContext& context,
                                    bool allow_missing) {
  if (AtRaw(in)) {
    expr::TVeskParser out;
    ParseRaw(in, out, context.names_used);
    return out;
  }
  std::vector<Statement> statements = ParseStatements(in, allow_missing);
  if (context.names_used) {
    for (const Statement& s : statements) {
      if (s.target) CollectNames(*s.target, *context.names_used);
      CollectNames(*s.value, *context.names_used);
    }
  }
  Generator generator(context);
  for (Statement& s : statements) generator.Add(s);
  return generator.Take();
}

expr::TVeskParser CompileExpressionText(std::string_view text, const ExprContext& context) {
  const int end_column = static_cast<int>(text.size()) + 1;
  TokenStream in(Tokenize(text, 1), 1, end_column);
  expr::TVeskParser out = CompileExpression(in, context, false);
  if (!in.AtEnd())
    in.Fail("unexpected '" + platform::Cp932ToUtf8(in.Peek().text) + "' after the expression");
  return out;
}

bool SameExpression(const expr::TVeskParser& a, const expr::TVeskParser& b) {
  ByteWriter x, y;
  a.SaveToStream(x);
  b.SaveToStream(y);
  return x.bytes() == y.bytes();
}

}  // namespace vesk::tool::script
