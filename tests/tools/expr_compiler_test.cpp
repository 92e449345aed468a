// The expression compiler: the exact operations it emits, its errors, the
// decompiler's round trip, and what the compiled code computes when run.
#include "vesk-tool/script/expr_compiler.h"

#include <gtest/gtest.h>

#include <limits>

#include "expr/param_collection.h"
#include "expr/sysfuncs.h"
#include "lang/vocabulary.h"
#include "platform/cp932.h"

namespace vesk::tool::script {
namespace {

using namespace vesk::lang;  // operator codes

std::string OperandText(const expr::TCustomParam& p) {
  if (const auto* ref = p.AsVar()) return ref->RefName;
  switch (p.ParamType()) {
    case lang::PT_INT:
      return std::to_string(p.GetInt());
    case lang::PT_FLOAT:
      return RealText(p.GetFloat());
    case lang::PT_BOOL:
      return p.GetFlag() ? "true" : "false";
    default:
      return "\"" + p.GetStr() + "\"";
  }
}

// "ocPlus ____0 <- a,2 | ocTo ____arg <- ____0"; reals always show a '.'.
std::string Listing(const expr::TVeskParser& e) {
  std::string out;
  for (const auto& op : e.Ops) {
    if (!out.empty()) out += " | ";
    out += op->Op < Operators().size() ? Operators()[op->Op].name : "op" + std::to_string(op->Op);
    if (op->Op == ocFunc) out += ":" + std::to_string(op->FuncId);
    out += " " + op->Dest + " <-";
    for (size_t i = 0; i < op->Operands.size(); ++i)
      out += (i ? "," : " ") + OperandText(*op->Operands[i]);
  }
  return out;
}

ExprContext TypedNames() {
  return {[](std::string_view name) {
    if (name == "n") return int{lang::PT_INT};
    if (name == "r") return int{lang::PT_FLOAT};
    if (name == "s") return int{lang::PT_STR};
    return 0;
  }};
}

struct CompileCase {
  const char* text;
  const char* ops;
};

void ExpectListings(const std::vector<CompileCase>& cases, const ExprContext& context = {}) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      EXPECT_EQ(Listing(CompileExpressionText(c.text, context)), c.ops);
    } catch (const CompileError& e) {
      ADD_FAILURE() << e.line() << ":" << e.column() << ": " << e.what();
    }
  }
}

TEST(ExprCompilerTest, PrecedenceAndAssociativity) {
  ExpectListings({
      {"a + b * c", "ocMul ____0 <- b,c | ocPlus ____1 <- a,____0 | ocTo ____arg <- ____1"},
      {"(a + b) * c", "ocPlus ____0 <- a,b | ocMul ____1 <- ____0,c | ocTo ____arg <- ____1"},
      {"a - b - c", "ocMinus ____0 <- a,b | ocMinus ____1 <- ____0,c | ocTo ____arg <- ____1"},
      {"a or b and c", "ocAnd ____0 <- b,c | ocOr ____1 <- a,____0 | ocTo ____arg <- ____1"},
      {"a | b ^ c & d",
       "ocAnd ____0 <- c,d | ocXor ____1 <- b,____0 | ocOr ____2 <- a,____1 | ocTo ____arg <- "
       "____2"},
      {"a XOR b Or c", "ocXor ____0 <- a,b | ocOr ____1 <- ____0,c | ocTo ____arg <- ____1"},
      {"a == b < c", "ocSmall ____0 <- b,c | ocEqual ____1 <- a,____0 | ocTo ____arg <- ____1"},
      {"a != b <> c", "ocNEqual ____0 <- a,b | ocNEqual ____1 <- ____0,c | ocTo ____arg <- ____1"},
      {"a > 1 and b <= 2",
       "ocBig ____0 <- a,1 | ocESmall ____1 <- b,2 | ocAnd ____2 <- ____0,____1 | ocTo ____arg <- "
       "____2"},
      {"a >= b", "ocEBig ____0 <- a,b | ocTo ____arg <- ____0"},
      {"1 << 2 + 3 >> 1",
       "ocPlus ____0 <- 2,3 | ocShiftL ____1 <- 1,____0 | ocShiftR ____2 <- ____1,1 | ocTo ____arg "
       "<- ____2"},
      {"a ~ b % c mod d / e",
       "ocMod ____0 <- b,c | ocMod ____1 <- ____0,d | ocDiv ____2 <- ____1,e | ocComboStr ____3 <- "
       "a,____2 | ocTo ____arg <- ____3"},
      {"not a == b", "ocFunc:20 ____0 <- a | ocEqual ____1 <- ____0,b | ocTo ____arg <- ____1"},
      {"not (a == b)", "ocEqual ____0 <- a,b | ocFunc:20 ____1 <- ____0 | ocTo ____arg <- ____1"},
  });
}

TEST(ExprCompilerTest, OperandsAndConstants) {
  ExpectListings({
      {"x", "ocTo ____arg <- x"},
      {"5", "ocTo ____arg <- 5"},
      {"-5", "ocTo ____arg <- -5"},
      {"- -5", "ocTo ____arg <- 5"},
      {"-(2.5)", "ocTo ____arg <- -2.5"},
      {"-x", "ocMul ____0 <- x,-1 | ocTo ____arg <- ____0"},
      {"-\"a\"", "ocMul ____0 <- \"a\",-1 | ocTo ____arg <- ____0"},
      {"-2147483648", "ocTo ____arg <- -2147483648"},
      {"0xFFFFFFFF", "ocTo ____arg <- -1"},
      {"-0x80000000", "ocTo ____arg <- -2147483648"},
      {".5", "ocTo ____arg <- 0.5"},
      {"TRUE", "ocTo ____arg <- true"},
      {"false", "ocTo ____arg <- false"},
      {"PR_LEFT + WP_FADE", "ocPlus ____0 <- 3,1 | ocTo ____arg <- ____0"},
      {"VkmA - LT_BOX * EXIT",
       "ocMul ____0 <- 2,1 | ocMinus ____1 <- 30,____0 | ocTo ____arg <- ____1"},
      {"pr_left", "ocTo ____arg <- pr_left"},  // constants are case-exact
      {"$\"PR_LEFT\"", "ocTo ____arg <- PR_LEFT"},
      {"$\"odd name\"", "ocTo ____arg <- odd name"},
      {"@tickcount - t", "ocMinus ____0 <- @tickcount,t | ocTo ____arg <- ____0"},
      {"\"\\x82\\xA0\"", "ocTo ____arg <- \"\x82\xA0\""},
      {"()", ""},
  });
}

TEST(ExprCompilerTest, CallsElementsAndStatements) {
  ExpectListings({
      {"Length(s) + 1", "ocFunc:5 ____0 <- s | ocPlus ____1 <- ____0,1 | ocTo ____arg <- ____1"},
      {"copy(s, 1, n + 1)",
       "ocPlus ____0 <- n,1 | ocFunc:7 ____1 <- s,1,____0 | ocTo ____arg <- ____1"},
      {"Random()", "ocFunc:26 ____0 <- | ocTo ____arg <- ____0"},
      {"Not(a)", "ocFunc:20 ____0 <- a | ocTo ____arg <- ____0"},
      {"a[i, j + 1]", "ocPlus ____0 <- j,1 | ocDimTo ____1 <- a,i,____0 | ocTo ____arg <- ____1"},
      {"@KeyPush[VkmSPACE]", "ocDimTo ____0 <- @KeyPush,9 | ocTo ____arg <- ____0"},
      {"x = a + b", "ocPlus x <- a,b"},
      {"x = a", "ocTo x <- a"},
      {"x = (a)", "ocTo x <- a"},
      {"x = Random(6)", "ocFunc:26 x <- 6"},
      {"@Result = 1", "ocTo @Result <- 1"},
      {"$\"a b\" = -c", "ocMul a b <- c,-1"},
      {"x[i] = v * 2", "ocDimTo ____0 <- x,i | ocMul ____0 <- v,2"},
      {"x[i + 1] = 5", "ocPlus ____0 <- i,1 | ocDimTo ____1 <- x,____0 | ocTo ____1 <- 5"},
      {"x[i] = a[j]", "ocDimTo ____0 <- x,i | ocDimTo ____1 <- a,j | ocTo ____0 <- ____1"},
      {"x = a[j]", "ocDimTo ____0 <- a,j | ocTo x <- ____0"},
      {"i = 0; i < 10", "ocTo i <- 0 | ocSmall ____0 <- i,10 | ocTo ____arg <- ____0"},
      {"a; b = 1", "ocTo ____arg <- a | ocTo b <- 1"},
      {"x = 1;", "ocTo x <- 1"},
  });
}

TEST(ExprCompilerTest, RawForm) {
  ExpectListings({
      {"raw{ocPlus ____0 = a, 2; ocTo ____arg = ____0}",
       "ocPlus ____0 <- a,2 | ocTo ____arg <- ____0"},
      {"raw{ocFunc:250 x = -1, -2.5, true, \"s\", @Bogus, $\"odd name\", PR_LEFT}",
       "ocFunc:250 x <- -1,-2.5,true,\"s\",@Bogus,odd name,PR_LEFT"},
      {"raw{ocFunc:IntToStr $\"a b\" = 1;}", "ocFunc:0 a b <- 1"},
      {"raw{op99 y =; ocNone true =; op10 z = var \"\", var \"x\"}",
       "op99 y <- | ocNone true <- | ocDimTo z <- ,x"},
      {"raw{ocTo ____arg = real \"3FFF8000000000000000\"}", "ocTo ____arg <- 1.0"},
      {"raw{}", ""},
  });
}

TEST(ExprCompilerTest, TypingHelpForFreshTemporaries) {
  ExpectListings({
      {"1 + 2.5", "ocPlus ____0 <- 1.0,2.5 | ocTo ____arg <- ____0"},
      {"x = 1 + 2.5", "ocPlus x <- 1,2.5"},  // x's own type decides
      {"x[0] = 1 / 2.5", "ocDimTo ____0 <- x,0 | ocDiv ____0 <- 1,2.5"},
      {"2 * @Pi", "ocMul ____0 <- 2.0,@Pi | ocTo ____arg <- ____0"},
      {"(1 + 2) - 0.5",
       "ocPlus ____0 <- 1,2 | ocPlus ____1 <- 0.0,____0 | ocMinus ____2 <- ____1,0.5 | ocTo "
       "____arg <- ____2"},
      {"Length(s) / 2.0",
       "ocFunc:5 ____0 <- s | ocPlus ____1 <- 0.0,____0 | ocDiv ____2 <- ____1,2.0 | ocTo ____arg "
       "<- ____2"},
      {"1 % 2.5", "ocMod ____0 <- 1,2.5 | ocTo ____arg <- ____0"},
      {"1 + \"a\"", "ocComboStr ____0 <- 1,\"a\" | ocTo ____arg <- ____0"},
      {"\"a\" + 1",
       "ocPlus ____0 <- \"a\",1 | ocTo ____arg <- ____0"},  // a string first operand joins already
      {"t + \"a\"", "ocPlus ____0 <- t,\"a\" | ocTo ____arg <- ____0"},  // unknown: left alone
      {"t + 2.5", "ocPlus ____0 <- t,2.5 | ocTo ____arg <- ____0"},
  });
  ExpectListings(
      {
          {"n + r", "ocPlus ____0 <- 0.0,n | ocPlus ____1 <- ____0,r | ocTo ____arg <- ____1"},
          {"n * 1.5 + r",
           "ocPlus ____0 <- 0.0,n | ocMul ____1 <- ____0,1.5 | ocPlus ____2 <- ____1,r | ocTo "
           "____arg <- ____2"},
          {"r + n", "ocPlus ____0 <- r,n | ocTo ____arg <- ____0"},
          {"x = n / r", "ocDiv x <- n,r"},
          {"n + s", "ocComboStr ____0 <- n,s | ocTo ____arg <- ____0"},
          {"s + n", "ocPlus ____0 <- s,n | ocTo ____arg <- ____0"},
          {"(n - 1) * r",
           "ocMinus ____0 <- n,1 | ocPlus ____1 <- 0.0,____0 | ocMul ____2 <- ____1,r | ocTo "
           "____arg <- ____2"},
      },
      TypedNames());
}

struct ErrorCase {
  const char* text;
  int column;
  const char* message;
};

TEST(ExprCompilerTest, ErrorsNameTheirPlace) {
  const ErrorCase cases[] = {
      {"Foo(1)", 1, "unknown function 'Foo'"},
      {"(a + b", 7, "expected ')'"},
      {"2147483648", 1, "integer out of range"},
      {"1 + -2147483649", 5, "integer out of range"},
      {"3000000000 * 2.5", 1, "integer out of range"},
      {"a +", 4, "expected a value after '+'"},
      {"a + * b", 5, "expected a value after '+'"},
      {"1 + 2 = 3", 7, "only a variable or an array element"},
      {"a = b = c", 7, "assigns once"},
      {"@NoSuch", 1, "unknown system variable"},
      {"", 1, "expected an expression"},
      {"a b", 3, "unexpected 'b'"},
      {"a[]", 3, "expected a value after '['"},
      {"Copy(s,)", 8, "expected a value after ','"},
      {"____0 + 1", 1, "temporaries"},
      {"x = raw", 5, "reserved word"},
      {"1 + raw{ocTo x = 1}", 5, "whole expression"},
      {"raw{ocBogus x =}", 5, "expected an operator name"},
      {"raw{ocFunc:300 x =}", 12, "function id"},
      {"raw{ocTo x = 1 2}", 16, "expected '}'"},
      {"raw{ocTo x = real \"12\"}", 19, "20 hex digits"},
      {"raw{ocTo x = -y}", 14, "expected a number"},
      {"raw{ocTo x = 1} + 1", 17, "unexpected '+'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      CompileExpressionText(c.text);
      ADD_FAILURE() << "compiled";
    } catch (const CompileError& e) {
      EXPECT_EQ(e.line(), 1);
      EXPECT_EQ(e.column(), c.column);
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  // Hostile sizes are refused before they can exhaust the stack.
  std::string deep_calls, long_chain = "1";
  for (int i = 0; i < 300; ++i) deep_calls += "Abs(a[";
  deep_calls += "1" + std::string(300 * 2, ']');
  for (int i = 0; i < 5000; ++i) long_chain += " + 1";
  for (const std::string& text : {std::string(300, '(') + "1" + std::string(300, ')'),
                                  std::string(300, '-') + "x", deep_calls, long_chain})
    EXPECT_THROW(CompileExpressionText(text), CompileError);
}

TEST(ExprCompilerTest, StopsBeforeWhatCannotContinueIt) {
  struct StopCase {
    const char* text;
    const char* ops;
    const char* next;  // the token left in the stream
  };
  const StopCase cases[] = {
      {"a + 1 block: 2", "ocPlus ____0 <- a,1 | ocTo ____arg <- ____0", "block"},
      {"a and: 2", "ocTo ____arg <- a", "and"},
      {"a[1, 2], b", "ocDimTo ____0 <- a,1,2 | ocTo ____arg <- ____0", ","},
      {"n) rest", "ocTo ____arg <- n", ")"},
      {"raw{ocTo x = 1} more", "ocTo x <- 1", "more"},
      {"() next", "", "next"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TokenStream in(Tokenize(c.text, 3, 5), 3, 40);
    EXPECT_EQ(Listing(CompileExpression(in, {})), c.ops);
    EXPECT_EQ(in.Peek().text, c.next);
  }
  TokenStream missing(Tokenize("block: 1", 3), 3, 9);
  EXPECT_TRUE(CompileExpression(missing, {}, true).Ops.empty());
  EXPECT_TRUE(missing.Peek().is_key);
  try {
    TokenStream in(Tokenize("block: 1", 3, 5), 3, 13);
    CompileExpression(in, {});
    ADD_FAILURE() << "compiled";
  } catch (const CompileError& e) {
    EXPECT_EQ(e.line(), 3);
    EXPECT_EQ(e.column(), 5);
  }
}

// --- decompiler ---

// Decompiles, checks that the text compiles back to the same bytes, and
// tells whether the text was infix.
bool RoundTripsAsInfix(const expr::TVeskParser& e) {
  const std::string text = DecompileExpression(e);
  SCOPED_TRACE(text);
  try {
    EXPECT_TRUE(SameExpression(CompileExpressionText(text), e))
        << Listing(CompileExpressionText(text));
  } catch (const CompileError& error) {
    ADD_FAILURE() << error.column() << ": " << error.what();
  }
  return text.rfind("raw{", 0) != 0;
}

TEST(ExprDecompilerTest, CompilerOutputComesBackAsInfix) {
  const char* texts[] = {
      "a + b * c",
      "(a + b) * c",
      "a - (b - c)",
      "a / (b * c) % 2",
      "-x",
      "x * -1",
      "-5 + x",
      "a - -5",
      "0.1",
      "1e300",
      "-0.5",
      "1.5e-300",
      "1 + 2.5",
      "2 * @Pi",
      "\"日本語のテキスト\"",
      "\"\\x82\"",
      "\"tab\\there \\\"q\\\" \\\\ \\n\"",
      "not a",
      "not (a == b) and c",
      "not not -x",
      "Copy(s, 1, 3) ~ IntToStr(n)",
      "a[i, j + 1] * 2",
      "x[i] = a[j] + 1",
      "x[0] = 5; x[1] = x[0]",
      "y = x[n - 1]",
      "i = 0; i < 10 and j > 2",
      "@TickCount - t",
      "$\"odd name\" = 1",
      "$\"and\" + $\"PR_LEFT\" + $\"raw\"",
      "PR_LEFT",
      "Random()",
      "x = y",
      "@Result = 5",
      "a <> b or c >= d xor e",
      "1 << 2 >> 3",
      "-2147483648",
      "true == false",
      "a; b; c = 1; d",
      "得点 + 1",
      "1 + \"a\"",
      "(1 + 2) - 0.5",
      "s = n + r",
      "GetProp(\"box\", PR_LEFT) + 1",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    EXPECT_TRUE(RoundTripsAsInfix(CompileExpressionText(text)));
    EXPECT_TRUE(RoundTripsAsInfix(CompileExpressionText(text, TypedNames())));
  }
  EXPECT_TRUE(RoundTripsAsInfix(CompileExpressionText("n + r; n * 2.5; n ~ s", TypedNames())));
}

TEST(ExprDecompilerTest, PrintsMinimalParentheses) {
  const std::pair<const char*, const char*> cases[] = {
      {"((a + b)) * (c)", "(a + b) * c"},
      {"a - (b + c)", "a - (b + c)"},
      {"(a - b) + c", "a - b + c"},
      {"a | b & c", "a or b and c"},
      {"(a or b) and c", "(a or b) and c"},
      {"Not(a <> b)", "not (a != b)"},
      {"1 + 2.5", "1.0 + 2.5"},
      {"a mod -(2)", "a % -2"},
      {"x[i] = -v", "x[i] = v * -1"},
      {"$\"EXIT\" + $\"true\"", "$\"EXIT\" + $\"true\""},
      {"()", "()"},
      {"copy(s, 1, 2)", "Copy(s, 1, 2)"},
      {"@tickcount", "@tickcount"},
  };
  for (const auto& [in, out] : cases)
    EXPECT_EQ(DecompileExpression(CompileExpressionText(in)), out) << in;
}

// Hand-built operations the compiler never emits.
class Ops {
 public:
  template <typename... Operands>
  Ops& Op(int op, const std::string& dest, Operands... operands) {
    auto o = std::make_unique<expr::TOpeData>();
    o->Op = static_cast<uint8_t>(op);
    o->Dest = dest;
    (o->Operands.push_back(std::move(operands)), ...);
    e.Ops.push_back(std::move(o));
    return *this;
  }
  Ops& Func(int id) {
    e.Ops.back()->FuncId = static_cast<uint8_t>(id);
    return *this;
  }
  expr::TVeskParser e;
};

std::unique_ptr<expr::TCustomParam> I(int32_t v) {
  auto p = std::make_unique<expr::TParamInt>();
  p->SetInt(v);
  return p;
}
std::unique_ptr<expr::TCustomParam> R(expr::Real x) {
  auto p = std::make_unique<expr::TParamFloat>();
  p->SetFloat(x);
  return p;
}
std::unique_ptr<expr::TCustomParam> S(const std::string& s) {
  auto p = std::make_unique<expr::TParamStr>();
  p->SetStr(s);
  return p;
}
std::unique_ptr<expr::TCustomParam> V(const std::string& name) {
  auto p = std::make_unique<expr::TParamVar>();
  p->RefName = name;
  return p;
}

TEST(ExprDecompilerTest, OddOperationsFallBackToRaw) {
  std::vector<Ops> odd(12);
  odd[0]
      .Op(ocPlus, "____0", V("a"), I(1))
      .Op(ocMul, "____1", V("____0"), V("____0"))
      .Op(ocTo, "____arg", V("____1"));
  odd[1].Op(99, "x", I(1), S("two"));
  odd[2].Op(ocFunc, "____0", V("a")).Func(250).Op(ocTo, "____arg", V("____0"));
  odd[3].Op(ocTo, "____arg", R(std::numeric_limits<expr::Real>::infinity()));
  odd[4].Op(ocTo, "____arg", R(-std::numeric_limits<expr::Real>::quiet_NaN()));
  odd[5].Op(ocPlus, "____arg", I(1), I(2));
  odd[6].Op(ocTo, "", V("")).Op(ocNone, "x");
  odd[7].Op(ocTo, "true", V("@Bogus"), S("\x81"), V("\x81\x7F"));
  odd[8].Op(ocDimTo, "arr", V("a"), I(1));
  odd[9]
      .Op(ocPlus, "____0", I(1), I(2))
      .Op(ocTo, "x", I(0))
      .Op(ocTo, "____arg", V("____0"));  // moved
  odd[10].Op(ocTo, "____0", V("a")).Op(ocTo, "____arg", V("____0"));
  odd[11]
      .Op(ocFunc, "x", I(1))
      .Func(FN_Not)
      .Op(ocPlus, "____7", V("x"), I(1))
      .Op(ocTo, "____arg", V("____7"));
  for (size_t i = 0; i < odd.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_FALSE(RoundTripsAsInfix(odd[i].e));
  }
  Ops chain;  // too long for infix text
  chain.Op(ocTo, "____0", I(1));
  for (int i = 1; i < 5000; ++i)
    chain.Op(ocPlus, "____" + std::to_string(i), V("____" + std::to_string(i - 1)), I(1));
  EXPECT_FALSE(RoundTripsAsInfix(chain.e));
  EXPECT_EQ(DecompileExpression(odd[0].e),
            "raw{ocPlus ____0 = a, 1; ocMul ____1 = ____0, ____0; ocTo ____arg = ____1}");
  EXPECT_EQ(DecompileExpression(odd[1].e), "raw{op99 x = 1, \"two\"}");
  EXPECT_EQ(DecompileExpression(odd[2].e), "raw{ocFunc:250 ____0 = a; ocTo ____arg = ____0}");
  EXPECT_EQ(DecompileExpression(odd[6].e), "raw{ocTo var \"\" = var \"\"; ocNone x =}");
}

TEST(ExprDecompilerTest, EveryRealComesBackByteForByte) {
  // Bit patterns no decimal text names go out as raw bytes.
  const uint8_t patterns[][10] = {
      {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F},  // +inf
      {1, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0xFF},  // NaN with a payload
      {0, 0, 0, 0, 0, 0, 0, 0x00, 0x01, 0x00},  // unnormal
  };
  for (const auto& bits : patterns) {
    Ops o;
    o.Op(ocPlus, "____0", R(LoadExtended(bits)), V("x")).Op(ocTo, "____arg", V("____0"));
    EXPECT_FALSE(RoundTripsAsInfix(o.e));
  }
  for (const expr::Real x : {-0.0L, 0.1L, 1e-4950L, std::numeric_limits<expr::Real>::max()}) {
    Ops o;
    o.Op(ocPlus, "____0", R(x), V("x")).Op(ocTo, "____arg", V("____0"));
    EXPECT_TRUE(RoundTripsAsInfix(o.e)) << DecompileExpression(o.e);
  }
}

// --- running the compiled code ---

class ExprRunTest : public ::testing::Test {
 protected:
  std::string Run(const char* text, const ExprContext& context = {}) {
    expr::TVeskParser e = CompileExpressionText(text, context);
    e.Run(table, &functions);
    EXPECT_EQ(e.last_error(), "") << text;
    return e.Result ? e.Result->GetStr() : "<none>";
  }
  expr::TParamCollection table;
  expr::TSysFuncMan functions{table};
};

TEST_F(ExprRunTest, CompiledCodeComputesWhatTheTextSays) {
  table.Declare("n", lang::PT_INT, expr::VarScope::kGlobal, 0)->Value->SetInt(7);
  table.Declare("r", lang::PT_FLOAT, expr::VarScope::kGlobal, 0)->Value->SetFloat(0.5);
  table.Declare("x", lang::PT_INT, expr::VarScope::kGlobal, 0);
  table.Declare("grid", lang::PT_INT, expr::VarScope::kGlobal, 0)->Value->SetDims({2, 3});
  const std::pair<const char*, const char*> cases[] = {
      {"7 / 2", "3"},
      {"-7 % 2", "-1"},
      {"1 + 2.5", "3.5"},
      {"\"abc\" + 5", "abc5"},
      {"5 + \"abc\"", "5abc"},
      {"-1 >> 28", "15"},
      {"1 << 31", "-2147483648"},
      {"n + r", "7.5"},
      {"n / 2.0 * r", "1.75"},
      {"-n * 2", "-14"},
      {"x = n * 3; x + 1", "22"},
      {"x = 1 + 2.5; x", "3"},
      {"grid[1, 1] = 4; x = grid[1, 1]; x", "4"},
      {"grid[1, 2] = 9; grid[0, 1] = grid[1, 2] + 1; grid[0, 1] * 10 + grid[1, 2]", "109"},
      {"Length(\"abcd\") * 2 + PR_TOP", "12"},
      {"not (n == 7) or n > 6", "1"},
      {"n > 6 and n < 8", "1"},
      {"x = 5", "<none>"},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(Run(text, TypedNames()), value) << text;
  EXPECT_EQ(table.Find("grid")->Value->GetIntAt(5), 9);
  EXPECT_EQ(table.Count(), 53);  // no temporaries left behind
}

}  // namespace
}  // namespace vesk::tool::script
