// Mathematics, the generator, and date-time encoding and decoding.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <tuple>

#include "sysfuncs_test_fixture.h"

namespace vesk::expr::test {
namespace {

class MathAndDates : public SysFuncTest {
 protected:
  Real Real_(int id, auto... operands) { return Run(id, std::move(operands)...).GetFloat(); }
  int32_t Int(int id, auto... operands) { return Run(id, std::move(operands)...).GetInt(); }
};

TEST_F(MathAndDates, RandomFollowsTheGeneratorFormula) {
  man.set_random_state(12345);
  uint32_t s = 12345;
  for (int i = 0; i < 1000; ++i) {
    s = s * 134775813u + 1u;
    ASSERT_EQ(Int(FN_Random, I(10)), static_cast<int32_t>((uint64_t{10} * s) >> 32)) << i;
  }
  EXPECT_EQ(Int(FN_Random, I(0)), 0);
  EXPECT_EQ(man.random_state(), s * 134775813u + 1u);  // the state moves even for 0
}

TEST_F(MathAndDates, MathematicsAndItsFailures) {
  EXPECT_EQ(Int(FN_Int, R(-2.9L)), -2);
  EXPECT_EQ(Int(FN_Int, S("3.7")), 3);
  EXPECT_NEAR(double(Real_(FN_ArcTan2, I(1), I(0))), std::numbers::pi / 2, 1e-15);
  EXPECT_EQ(Real_(FN_Hypot, I(3), I(4)), 5);
  EXPECT_EQ(Int(FN_Abs, I(INT32_MIN)), INT32_MIN);
  EXPECT_EQ(Int(FN_Min, R(1.9L), I(2)), 1);
  EXPECT_EQ(Real_(FN_Fmax, R(1.9L), R(-2)), 1.9L);
  EXPECT_FALSE(Run(FN_Not, S("TRUE")).GetFlag());
  EXPECT_TRUE(Run(FN_Not, S("true")).GetFlag());
  // The original's FPU traps: domain errors and overflow end the expression.
  EXPECT_EQ(ErrorOf(FN_ArcSin, I(2)), "Invalid floating point operation");
  const Real huge = std::numeric_limits<Real>::max();
  EXPECT_EQ(ErrorOf(FN_Hypot, R(huge), R(huge)), "Floating point overflow");
}

TEST_F(MathAndDates, EncodingCountsDaysFrom1899AndValidates) {
  EXPECT_EQ(Real_(FN_EncodeDate, I(1899), I(12), I(30)), 0);
  EXPECT_EQ(Real_(FN_EncodeDate, I(2000), I(2), I(29)), 36585);
  EXPECT_EQ(Real_(FN_EncodeDate, I(1), I(1), I(1)), -693593);
  EXPECT_EQ(Real_(FN_EncodeDate, I(9999), I(12), I(31)), 2958465);
  EXPECT_EQ(Real_(FN_EncodeDate, I(65536 + 2000), I(2), I(29)), 36585);  // 16-bit arguments
  for (auto [y, m, d] : {std::tuple{2001, 2, 29},
                         {1900, 2, 29},
                         {2000, 13, 1},
                         {2000, 4, 31},
                         {0, 1, 1},
                         {10000, 1, 1}})
    EXPECT_EQ(ErrorOf(FN_EncodeDate, I(y), I(m), I(d)), "Invalid date")
        << y << "-" << m << "-" << d;
  EXPECT_EQ(Real_(FN_EncodeTime, I(18), I(0), I(0)), 0.75L);
  for (auto [h, m, s] : {std::tuple{24, 0, 0}, {0, 60, 0}, {0, 0, 60}, {-1, 0, 0}})
    EXPECT_EQ(ErrorOf(FN_EncodeTime, I(h), I(m), I(s)), "Invalid time")
        << h << ":" << m << ":" << s;
}

TEST_F(MathAndDates, DecodingRoundTripsAndRounds) {
  for (int y = 1; y <= 9999; y += 3) {  // every residue of the 4-, 100- and 400-year cycles
    const Real march1 = Real_(FN_EncodeDate, I(y), I(3), I(1));
    ASSERT_EQ(Int(FN_GetYear, R(march1)), y);
    ASSERT_EQ(Int(FN_GetMonth, R(march1 - 1)), 2) << y;
    ASSERT_EQ(Int(FN_GetDay, R(march1 - 1)), y % 4 == 0 && (y % 100 != 0 || y % 400 == 0) ? 29 : 28)
        << y;
  }
  for (const char* name : {"a", "b", "c"}) Declare(name, lang::PT_INT);
  Run(FN_DecodeDate, R(36585.75L), V("a"), V("b"), V("c"));
  EXPECT_EQ(Strings("a")[0] + Strings("b")[0] + Strings("c")[0], "2000229");
  Run(FN_DecodeTime, R(36585.75L + 61.0L / 86400), V("a"), V("b"), V("c"));
  EXPECT_EQ(Strings("a")[0] + ":" + Strings("b")[0] + ":" + Strings("c")[0], "18:1:1");
  // Before the epoch the fraction still counts from midnight: -1.25 is the 29th, 06:00.
  EXPECT_EQ(Int(FN_GetDay, R(-1.25L)), 29);
  EXPECT_EQ(Int(FN_GetHour, R(-1.25L)), 6);
  const Real almost = 1 - 0.0004L / 86400;  // rounds to the next midnight
  EXPECT_EQ(Int(FN_GetDay, R(almost)), 31);
  EXPECT_EQ(Int(FN_GetSec, R(almost)), 0);
  EXPECT_EQ(Int(FN_GetYear, R(-693594)), 0);  // before the calendar's first day
  EXPECT_EQ(ErrorOf(FN_GetYear, R(1e300L)), "Invalid floating point operation");
}

TEST_F(MathAndDates, WeekdaysStartOnSunday) {
  EXPECT_EQ(Int(FN_GetWeek, I(0)), 7);  // 1899-12-30 was a Saturday
  EXPECT_EQ(Int(FN_GetWeek, I(-1)), 6);
  const Real sunday = Real_(FN_EncodeDate, I(2023), I(12), I(31));
  const char* english[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                           "Thursday", "Friday", "Saturday"};
  const char* japanese[] = {"日", "月", "火", "水", "木", "金", "土"};
  for (int k = 0; k < 7; ++k) {
    EXPECT_EQ(Int(FN_GetWeek, R(sunday + k + 0.9L)), k + 1);
    EXPECT_EQ(Run(FN_GetWeekStr, R(sunday + k)).GetStr(), english[k]);
    EXPECT_EQ(Run(FN_GetWeekJStr, R(sunday + k)).GetStr(), J(japanese[k]));
  }
}

}  // namespace
}  // namespace vesk::expr::test
