#include "expr/parser.h"

#include <cfenv>
#include <cmath>
#include <stdexcept>

#include "core/byte_reader.h"
#include "core/record_io.h"
#include "expr/expr_errors.h"
#include "expr/param_collection.h"
#include "lang/vocabulary.h"

namespace vesk::expr {

namespace {

using lang::Operator;

constexpr int kMaxPropertyId = 158;
constexpr int kGetPropFunction = 2;

// Arithmetic faults end the run like any other error.
class EArithmetic : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

bool IsTemp(const std::string& name) {
  return name.rfind(kTempPrefix, 0) == 0;
}

// An operand the record does not have reads as zero of every type.
const TParamInt kAbsent;
const TCustomParam& Arg(const Operands& ops, size_t i) {
  if (i < ops.size() && ops[i]) return *ops[i];
  return kAbsent;
}

Real CheckedReal(Real result, Real a, Real b) {
  // The original's floating-point unit traps invalid operations and overflow.
  if (std::isnan(result) && !std::isnan(a) && !std::isnan(b))
    throw EArithmetic("invalid floating point operation");
  if (std::isinf(result) && std::isfinite(a) && std::isfinite(b))
    throw EArithmetic("floating point overflow");
  return result;
}

// Reads both operands once (a string operand is parsed each time it is read)
// and applies a real operation with the fault checks.
template <typename F>
Real RealOp(const TCustomParam& a, const TCustomParam& b, F op) {
  const Real x = a.GetFloat(), y = b.GetFloat();
  return CheckedReal(op(x, y), x, y);
}

[[noreturn]] void RaiseBadExpression(const TOpeData& op) {
  const auto ops = lang::Operators();
  std::string text = MessageCp932(Msg::kBadExpressionHead) + op.Dest +
                     MessageCp932(Msg::kBadExpressionOperator) +
                     (op.Op < ops.size() ? ops[op.Op].name : std::to_string(op.Op));
  for (const auto& operand : op.Operands)
    text += "\r\n" + (operand ? operand->GetStr() : std::string());
  throw EVeskError(text);
}

int TempType(const TOpeData& op, const EvalServices& services) {
  const int a = Arg(op.Operands, 0).ParamType();
  switch (op.Op) {
    case lang::ocTo:
      return a;
    case lang::ocPlus:
      return a == lang::PT_STR ? lang::PT_STR : a == lang::PT_FLOAT ? lang::PT_FLOAT : lang::PT_INT;
    case lang::ocMinus:
    case lang::ocMul:
    case lang::ocDiv:
      return a == lang::PT_FLOAT ? lang::PT_FLOAT : lang::PT_INT;
    case lang::ocMod:
    case lang::ocOr:
    case lang::ocAnd:
    case lang::ocXor:
    case lang::ocShiftL:
    case lang::ocShiftR:
      return lang::PT_INT;
    case lang::ocDimTo:
      return lang::PT_NONE;
    case lang::ocFunc:
      if (op.FuncId == kGetPropFunction) {
        const int prop = Arg(op.Operands, 1).GetInt() & 0xFF;
        if (prop > kMaxPropertyId) RaiseExpr(Msg::kGetPropArgument);
        return services.property_type ? services.property_type(prop) : lang::PT_INT;
      }
      return TSysFuncMan::ResultType(op.FuncId);
    case lang::ocEqual:
    case lang::ocBig:
    case lang::ocSmall:
    case lang::ocEBig:
    case lang::ocESmall:
    case lang::ocNEqual:
      return lang::PT_BOOL;
    case lang::ocComboStr:
      return lang::PT_STR;
    default:
      RaiseBadExpression(op);
  }
}

// The element reference an ocDimTo temporary holds. The message text is
// built only when it is needed: this runs for every element read.
void MakeElementReference(const TOpeData& op, TParamCollectionItem& temp) {
  const TParamVar* array_ref =
      op.Operands.empty() || !op.Operands[0] ? nullptr : op.Operands[0]->AsVar();
  if (!array_ref || !array_ref->Target) RaiseBadExpression(op);
  TParamCollectionItem& array = *array_ref->Target;
  const size_t count = op.Operands.size() - 1;
  auto where = [&] {
    std::string listed;
    for (size_t k = 1; k < op.Operands.size(); ++k)
      listed += (k > 1 ? "," : "") + IntToStr(op.Operands[k]->GetInt());
    return array.Name() + "[" + listed + "]\r\n";
  };
  const TCustomParam& value = *array.Value;
  int32_t flat = 0;
  if (count == 1) {
    const int32_t index = op.Operands[1]->GetInt();
    if (value.DimCount() != 1) throw EVeskError(where() + MessageCp932(Msg::kBadSubscript));
    flat = index;
  } else {
    std::vector<int32_t> indices;
    for (size_t k = 1; k < op.Operands.size(); ++k) indices.push_back(op.Operands[k]->GetInt());
    if (static_cast<int32_t>(indices.size()) != value.DimCount())
      throw EVeskError(where() + MessageCp932(Msg::kBadSubscript));
    flat = value.FlatIndex(indices);
  }
  if (flat >= value.Count()) throw EVeskError(where() + MessageCp932(Msg::kTooManyElements));
  auto* ref = static_cast<TParamVar*>(temp.Value.get());
  ref->RefName = array.Name();
  ref->Target = &array;
  ref->Index = flat;
}

// Comparison by the type of A: -1, 0 or 1.
int Compare(const TCustomParam& a, const TCustomParam& b) {
  switch (a.ParamType()) {
    case lang::PT_STR: {
      const std::string x = a.GetStr(), y = b.GetStr();
      const int c = x.compare(y);  // std::string compares bytes as unsigned char
      return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    case lang::PT_FLOAT: {
      const Real x = a.GetFloat(), y = b.GetFloat();
      return x < y ? -1 : x > y ? 1 : 0;
    }
    case lang::PT_BOOL:
      return int(a.GetFlag()) - int(b.GetFlag());
    default: {
      const int32_t x = a.GetInt(), y = b.GetInt();
      return x < y ? -1 : x > y ? 1 : 0;
    }
  }
}

void StoreInt(TCustomParam& dest, int64_t wide) {
  dest.SetInt(static_cast<int32_t>(static_cast<uint32_t>(wide)));
}

void Compute(const TOpeData& op, TCustomParam& dest, TSysFuncMan* functions,
             TParamCollectionItem& dest_entry, Operands& operands) {
  const TCustomParam& a = Arg(operands, 0);
  const TCustomParam& b = Arg(operands, 1);
  const int type = dest.ParamType();
  switch (op.Op) {
    case lang::ocTo:
      switch (type) {
        case lang::PT_INT:
          dest.SetInt(a.GetInt());
          break;
        case lang::PT_FLOAT:
          dest.SetFloat(a.GetFloat());
          break;
        case lang::PT_BOOL:
          dest.SetFlag(a.GetFlag());
          break;
        case lang::PT_STR:
          dest.SetStr(a.GetStr());
          break;
        default:
          break;
      }
      return;
    case lang::ocPlus:
      if (type == lang::PT_STR)
        dest.SetStr(a.GetStr() + b.GetStr());
      else if (type == lang::PT_FLOAT)
        dest.SetFloat(RealOp(a, b, [](Real x, Real y) { return x + y; }));
      else
        StoreInt(dest, int64_t{a.GetInt()} + b.GetInt());
      return;
    case lang::ocMinus:
      if (type == lang::PT_FLOAT)
        dest.SetFloat(RealOp(a, b, [](Real x, Real y) { return x - y; }));
      else
        StoreInt(dest, int64_t{a.GetInt()} - b.GetInt());
      return;
    case lang::ocMul:
      if (type == lang::PT_FLOAT)
        dest.SetFloat(RealOp(a, b, [](Real x, Real y) { return x * y; }));
      else
        StoreInt(dest, int64_t{a.GetInt()} * b.GetInt());
      return;
    case lang::ocDiv:
      if (type == lang::PT_FLOAT) {
        dest.SetFloat(RealOp(a, b, [](Real x, Real y) {
          if (y == 0) throw EArithmetic("floating point division by zero");
          return x / y;
        }));
      } else {
        const int32_t x = a.GetInt(), y = b.GetInt();
        if (y == 0) throw EArithmetic("division by zero");
        if (x == INT32_MIN && y == -1) throw EArithmetic("integer overflow");
        dest.SetInt(x / y);
      }
      return;
    case lang::ocMod: {
      const int32_t x = a.GetInt(), y = b.GetInt();
      if (y == 0) throw EArithmetic("division by zero");
      dest.SetInt(y == -1 ? 0 : x % y);
      return;
    }
    case lang::ocOr:
      dest.SetInt(a.GetInt() | b.GetInt());
      return;
    case lang::ocAnd:
      dest.SetInt(a.GetInt() & b.GetInt());
      return;
    case lang::ocXor:
      dest.SetInt(a.GetInt() ^ b.GetInt());
      return;
    case lang::ocDimTo:
      return;
    case lang::ocFunc:
      if (functions) functions->Call(op.FuncId, dest_entry, operands);
      return;
    case lang::ocEqual:
      dest.SetFlag(Compare(a, b) == 0);
      return;
    case lang::ocBig:
      dest.SetFlag(Compare(a, b) > 0);
      return;
    case lang::ocSmall:
      dest.SetFlag(Compare(a, b) < 0);
      return;
    case lang::ocEBig:
      dest.SetFlag(Compare(a, b) >= 0);
      return;
    case lang::ocESmall:
      dest.SetFlag(Compare(a, b) <= 0);
      return;
    case lang::ocNEqual:
      dest.SetFlag(Compare(a, b) != 0);
      return;
    case lang::ocShiftL:
      dest.SetInt(static_cast<int32_t>(static_cast<uint32_t>(a.GetInt()) << (b.GetInt() & 31)));
      return;
    case lang::ocShiftR:
      dest.SetInt(static_cast<int32_t>(static_cast<uint32_t>(a.GetInt()) >> (b.GetInt() & 31)));
      return;
    case lang::ocComboStr:
      dest.SetStr(a.GetStr() + b.GetStr());
      return;
    default:
      RaiseBadExpression(op);
  }
}

bool HasFunctionCall(const std::vector<std::unique_ptr<TOpeData>>& ops) {
  for (const auto& op : ops)
    if (op->Op == lang::ocFunc) return true;
  return false;
}

// A temporary made afresh: zero of its type, as a new table entry would be.
void ResetTemp(TParamCollectionItem& temp, int type) {
  if (!temp.Value || temp.Value->ParamType() != type || !temp.Value->Dims.empty()) {
    temp.Value = MakeParam(type);
    if (!temp.Value) RaiseExpr(Msg::kInternalError);
    return;
  }
  TCustomParam& v = *temp.Value;
  switch (type) {
    case lang::PT_INT:
      v.SetInt(0);
      break;
    case lang::PT_FLOAT:
      v.SetFloat(0);
      break;
    case lang::PT_BOOL:
      v.SetFlag(false);
      break;
    case lang::PT_STR:
      v.SetStr(std::string());
      break;
    default: {
      TParamVar& ref = *v.AsVar();
      ref.RefName.clear();
      ref.Target = nullptr;
      ref.Reserved = 0;
      ref.Index = 0;
    }
  }
}

// Runs `execute(i)` for the operations in order until one fails, then
// `release(i)` after each; the failure's message ends the run, is kept in
// `error` and goes to the table's error sink.
template <class Execute, class Release>
void RunOperations(size_t count, TParamCollection& table, std::string& error, Execute execute,
                   Release release) {
  for (size_t i = 0; i < count; ++i) {
    try {
      execute(i);
    } catch (const EVeskError& e) {
      error = e.Message();
    } catch (const std::exception& e) {
      error = e.what();
    }
    release(i);
    if (!error.empty()) break;
  }
  if (!error.empty() && table.services().error_sink) table.services().error_sink(error);
}

}  // namespace

// What the names of an expression find, worked out once for one state of
// the table (its lookup generation and the current call depth) instead of
// at every operation. Without function calls nothing can look into the
// table while the expression runs, so its temporaries live here rather
// than in the table; an expression with calls keeps them in the table,
// where the functions may see them.
struct TVeskParser::Plan {
  static constexpr int kNoTemp = -1;
  struct Step {
    TParamCollectionItem* dest = nullptr;  // the table entry written, when not a temporary
    int dest_temp = kNoTemp;               // else the temporary it writes
    // Per operand that is a reference: the reference, what it reads, and
    // the temporary that is (or kNoTemp).
    std::vector<TParamVar*> refs;
    std::vector<TParamCollectionItem*> targets;
    std::vector<int> operand_temps;
  };
  const TParamCollection* table = nullptr;
  uint64_t generation = 0;
  int32_t scope = 0;
  size_t op_count = 0;
  bool private_temps = false;
  std::vector<Step> steps;
  std::vector<std::unique_ptr<TParamCollectionItem>> temps;
  std::vector<uint8_t> live;  // made in this run

  bool Matches(const TParamCollection& t, size_t ops) const {
    return table == &t && generation == t.generation() && scope == t.CurrentScope &&
           op_count == ops;
  }
};

TVeskParser::TVeskParser() = default;
TVeskParser::~TVeskParser() = default;
TVeskParser::TVeskParser(TVeskParser&&) noexcept = default;
TVeskParser& TVeskParser::operator=(TVeskParser&&) noexcept = default;

TVeskParser::Plan* TVeskParser::PlanFor(const TParamCollection& table) {
  if (plan_ && plan_->Matches(table, Ops.size()))
    return plan_->private_temps ? plan_.get() : nullptr;
  if (!plan_) plan_ = std::make_unique<Plan>();
  Plan& plan = *plan_;
  plan.table = &table;
  plan.generation = table.generation();
  plan.scope = table.CurrentScope;
  plan.op_count = Ops.size();
  plan.private_temps = !HasFunctionCall(Ops);
  plan.steps.clear();
  plan.temps.clear();
  if (!plan.private_temps) return nullptr;
  std::vector<std::string> temp_names;
  auto temp_index = [&](const std::string& name) {
    for (size_t i = 0; i < temp_names.size(); ++i)
      if (storage::THashCollection::SameName(temp_names[i], name)) return static_cast<int>(i);
    temp_names.push_back(name);
    plan.temps.push_back(std::make_unique<TParamCollectionItem>());
    plan.temps.back()->SetName(name);
    return static_cast<int>(temp_names.size() - 1);
  };
  // A name the table holds is the table's, temporary prefix or not.
  auto resolve = [&](const std::string& name, TParamCollectionItem** entry, int* temp) {
    *entry = table.Find(name);
    *temp = Plan::kNoTemp;
    if (!*entry && IsTemp(name)) *temp = temp_index(name);
  };
  plan.steps.resize(Ops.size());
  for (size_t i = 0; i < Ops.size(); ++i) {
    const TOpeData& op = *Ops[i];
    Plan::Step& step = plan.steps[i];
    step.refs.clear();
    step.targets.clear();
    step.operand_temps.clear();
    for (const auto& operand : op.Operands) {
      TParamVar* ref = operand ? operand->AsVar() : nullptr;
      if (!ref) continue;
      step.refs.push_back(ref);
      step.targets.push_back(nullptr);
      step.operand_temps.push_back(Plan::kNoTemp);
      resolve(ref->RefName, &step.targets.back(), &step.operand_temps.back());
    }
    resolve(op.Dest, &step.dest, &step.dest_temp);
  }
  for (size_t i = 0; i < plan.steps.size(); ++i)
    for (size_t k = 0; k < plan.steps[i].targets.size(); ++k)
      if (plan.steps[i].operand_temps[k] != Plan::kNoTemp)
        plan.steps[i].targets[k] = plan.temps[size_t(plan.steps[i].operand_temps[k])].get();
  plan.live.assign(plan.temps.size(), 0);
  return &plan;
}

void TVeskParser::Execute(TOpeData& op, TParamCollection& table, TSysFuncMan* functions,
                          std::vector<TParamCollectionItem*>& temps) {
  for (auto& operand : op.Operands)
    if (TParamVar* ref = operand ? operand->AsVar() : nullptr) ref->Resolve(table);
  TParamCollectionItem* dest = table.Find(op.Dest);
  if (!dest && IsTemp(op.Dest)) {
    const int type = TempType(op, table.services());
    dest = table.AddTemp(type, op.Dest);
    temps.push_back(dest);
    if (op.Op == lang::ocDimTo) MakeElementReference(op, *dest);
  }
  if (!dest) RaiseExpr(Msg::kNoVariableFormat, op.Dest);
  Compute(op, *dest->Value, functions, *dest, op.Operands);
}

void TVeskParser::RunPlanned(Plan& plan, TParamCollection& table, TSysFuncMan* functions) {
  std::fill(plan.live.begin(), plan.live.end(), uint8_t{0});
  auto execute = [&](size_t i) {
    TOpeData& op = *Ops[i];
    const Plan::Step& step = plan.steps[i];
    for (size_t k = 0; k < step.refs.size(); ++k) {
      TParamVar* ref = step.refs[k];
      const int temp = step.operand_temps[k];
      TParamCollectionItem* target = step.targets[k];
      // Unknown names and temporaries not made yet fail as a lookup would.
      if (!target || (temp != Plan::kNoTemp && !plan.live[size_t(temp)])) ref->Resolve(table);
      ref->Target = target;
      if (const TParamVar* held = target->Value->AsVar()) ref->Index = held->Index;
    }
    TParamCollectionItem* dest = step.dest;
    if (step.dest_temp != Plan::kNoTemp) {
      dest = plan.temps[size_t(step.dest_temp)].get();
      if (!plan.live[size_t(step.dest_temp)]) {
        ResetTemp(*dest, TempType(op, table.services()));
        plan.live[size_t(step.dest_temp)] = 1;
        if (op.Op == lang::ocDimTo) MakeElementReference(op, *dest);
      }
    }
    if (!dest) RaiseExpr(Msg::kNoVariableFormat, op.Dest);
    Compute(op, *dest->Value, functions, *dest, op.Operands);
  };
  auto release = [&](size_t i) {
    for (TParamVar* ref : plan.steps[i].refs) ref->Target = nullptr;
  };
  RunOperations(Ops.size(), table, last_error_, execute, release);
  const Plan::Step* last = plan.steps.empty() ? nullptr : &plan.steps.back();
  if (last && Ops.back()->Op == lang::ocTo && Ops.back()->Dest == kResultTemp) {
    const TParamCollectionItem* result = last->dest;
    if (last->dest_temp != Plan::kNoTemp && plan.live[size_t(last->dest_temp)])
      result = plan.temps[size_t(last->dest_temp)].get();
    try {
      if (result) Result = TParamCollection::CloneItemValue(*result);
    } catch (const std::exception&) {
      Result.reset();
    }
  }
}

void TVeskParser::Run(TParamCollection& table, TSysFuncMan* functions) {
  Result.reset();
  last_error_.clear();
  if (Plan* plan = PlanFor(table)) {
    RunPlanned(*plan, table, functions);
    return;
  }
  std::vector<TParamCollectionItem*> temps;
  RunOperations(
      Ops.size(), table, last_error_, [&](size_t i) { Execute(*Ops[i], table, functions, temps); },
      [&](size_t i) {
        for (auto& operand : Ops[i]->Operands)
          if (TParamVar* ref = operand ? operand->AsVar() : nullptr) ref->Target = nullptr;
      });
  if (!Ops.empty() && Ops.back()->Op == lang::ocTo && Ops.back()->Dest == kResultTemp) {
    try {
      Result = table.CloneValue(kResultTemp);
    } catch (const std::exception&) {
      Result.reset();
    }
  }
  for (auto it = temps.rbegin(); it != temps.rend(); ++it) table.DeleteTemp(*it);
}

bool TVeskParser::RunCondition(TParamCollection& table, TSysFuncMan* functions) {
  Run(table, functions);
  return Result && Result->GetFlag();
}

namespace {

std::unique_ptr<TCustomParam> MakeOperand(uint8_t type) {
  // The whole byte decides: any code beyond the value types (high bit set
  // included) names a variable.
  if (type <= lang::PT_STR) return MakeParam(type);
  return std::make_unique<TParamVar>();
}

// An operand: its type byte, then the value of one of the four stored types;
// any other type byte names a variable.
void TransferOperand(RecordIO& io, std::unique_ptr<TCustomParam>& operand) {
  uint8_t type = 0;
  if (!io.loading())
    type = static_cast<uint8_t>(operand->AsVar() ? lang::PT_NONE : operand->ParamType());
  io.U8(type, "operand type");
  if (io.loading()) operand = MakeOperand(type);
  TCustomParam& p = *operand;
  switch (type) {
    case lang::PT_INT:
      io.Via(&RecordIO::I32, p.GetInt(), "integer operand", [&](int32_t v) { p.SetInt(v); });
      break;
    case lang::PT_FLOAT:
      io.Via(&RecordIO::Ext, p.GetFloat(), "real operand", [&](Real x) { p.SetFloat(x); });
      break;
    case lang::PT_BOOL:
      io.Via(&RecordIO::Bool8, p.GetFlag(), "flag operand", [&](bool b) { p.SetFlag(b); });
      break;
    default:
      if (TParamVar* ref = p.AsVar()) {
        io.Str(ref->RefName, "variable operand");
        break;
      }
      io.Via(&RecordIO::Str, p.GetStr(), "string operand",
             [&](const std::string& s) { p.SetStr(s); });
  }
}

void TransferOperation(RecordIO& io, std::unique_ptr<TOpeData>& op) {
  if (io.loading()) op = std::make_unique<TOpeData>();
  io.U8(op->Op, "operator");
  io.Str(op->Dest, "destination");
  // The function id stands between the operand count and the operands.
  const int32_t n = io.Count(op->Operands.size(), 2, "operand count");
  if (op->Op == lang::ocFunc) io.U8(op->FuncId, "function id");
  if (!io.loading()) {
    for (auto& operand : op->Operands) TransferOperand(io, operand);
    return;
  }
  for (int32_t k = 0; k < n; ++k) {
    std::unique_ptr<TCustomParam> operand;
    TransferOperand(io, operand);
    op->Operands.push_back(std::move(operand));
  }
}

}  // namespace

void TVeskParser::Transfer(RecordIO& io) {
  if (io.loading()) {
    Ops.clear();
    Result.reset();
    plan_.reset();
  }
  // Every operation takes at least its code, destination length and operand count.
  io.List(Ops, 9, "operation count",
          [&](std::unique_ptr<TOpeData>& op) { TransferOperation(io, op); });
}

// Expressions have no versioned fields: the version is not looked at.
void TVeskParser::LoadFromStream(ByteReader& in) {
  LoadRecord(*this, in, 0);
}

void TVeskParser::SaveToStream(ByteWriter& out) const {
  SaveRecord(*this, out, 0);
}

void TVeskParser::Assign(const TVeskParser& source) {
  ByteWriter w;
  source.SaveToStream(w);
  ByteReader r(w.bytes().data(), w.bytes().size());
  LoadFromStream(r);
}

}  // namespace vesk::expr
