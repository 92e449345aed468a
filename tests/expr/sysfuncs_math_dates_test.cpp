// Mathematics, the generator, and date-time encoding and decoding.
#include <gmock/gmock.h>

#include <cmath>
#include <limits>
#include <tuple>

#include "sysfuncs_test_fixture.h"

namespace vesk::expr::test {
namespace {

class MathFunctions : public SysFuncTest {};
class DateFunctions : public SysFuncTest {};

TEST_F(MathFunctions, RandomFollowsTheGeneratorFormula) {
  man.set_random_state(12345);
  uint32_t s = 12345;
  for (int i = 0; i < 1000; ++i) {
    s = s * 134775813u + 1u;
    const auto expected = static_cast<int32_t>((uint64_t{10} * s) >> 32);
    const int32_t got = Run(FN_Random, I(10)).GetInt();
    ASSERT_EQ(got, expected) << i;
    ASSERT_GE(got, 0);
    ASSERT_LE(got, 9);
  }
  EXPECT_EQ(man.random_state(), s);
  EXPECT_EQ(Run(FN_Random, I(0)).GetInt(), 0);
  EXPECT_NE(man.random_state(), s);  // the state moves even for 0
  // A negative range is taken as unsigned: the high half of the product.
  man.set_random_state(0);
  EXPECT_EQ(Run(FN_Random, I(-1)).GetInt(), 0);  // state 1: (2^32 - 1) * 1 >> 32
  EXPECT_EQ(man.random_state(), 1u);
}

TEST_F(MathFunctions, ConversionsAndFunctionsOfReals) {
  EXPECT_EQ(Run(FN_Int, R(2.9L)).GetInt(), 2);
  EXPECT_EQ(Run(FN_Int, R(-2.9L)).GetInt(), -2);
  EXPECT_EQ(Run(FN_Int, S("3.7")).GetInt(), 3);
  EXPECT_EQ(Run(FN_Float, S("2.5")).GetFloat(), 2.5L);
  const Real pi = std::acos(-1.0L);
  EXPECT_NEAR(static_cast<double>(Run(FN_ArcTan2, I(1), I(0)).GetFloat()), static_cast<double>(pi / 2), 1e-15);
  EXPECT_NEAR(static_cast<double>(Run(FN_ArcTan2, I(0), I(-1)).GetFloat()), static_cast<double>(pi), 1e-15);
  EXPECT_EQ(Run(FN_Hypot, I(3), I(4)).GetFloat(), 5);
  EXPECT_NEAR(static_cast<double>(Run(FN_Sin, R(pi / 2)).GetFloat()), 1, 1e-15);
  EXPECT_NEAR(static_cast<double>(Run(FN_ArcCos, I(0)).GetFloat()), static_cast<double>(pi / 2), 1e-15);
  // Outside its domain the function fails like the original's trapping FPU.
  EXPECT_EQ(ErrorOf(FN_ArcSin, I(2)), "Invalid floating point operation");
  const Real huge = std::numeric_limits<Real>::max();
  EXPECT_EQ(ErrorOf(FN_Hypot, R(huge), R(huge)), "Floating point overflow");
}

TEST_F(MathFunctions, IntegerAndRealMinMaxAbsAndNot) {
  EXPECT_EQ(Run(FN_Abs, I(-5)).GetInt(), 5);
  EXPECT_EQ(Run(FN_Abs, I(INT32_MIN)).GetInt(), INT32_MIN);
  EXPECT_EQ(Run(FN_Abs, R(-2.9L)).GetInt(), 2);  // read as an integer first
  EXPECT_EQ(Run(FN_Fabs, R(-2.5L)).GetFloat(), 2.5L);
  EXPECT_EQ(Run(FN_Min, I(-3), I(2)).GetInt(), -3);
  EXPECT_EQ(Run(FN_Max, I(-3), I(2)).GetInt(), 2);
  EXPECT_EQ(Run(FN_Min, R(1.9L), R(1.2L)).GetInt(), 1);
  EXPECT_EQ(Run(FN_Fmin, R(1.9L), R(1.2L)).GetFloat(), 1.2L);
  EXPECT_EQ(Run(FN_Fmax, R(1.9L), R(1.2L)).GetFloat(), 1.9L);
  EXPECT_TRUE(Run(FN_Not, I(0)).GetFlag());
  EXPECT_FALSE(Run(FN_Not, S("TRUE")).GetFlag());
  EXPECT_TRUE(Run(FN_Not, S("true")).GetFlag());  // only "TRUE" is true
}

TEST_F(DateFunctions, EncodeDateCountsDaysFrom1899AndValidates) {
  EXPECT_EQ(Run(FN_EncodeDate, I(1899), I(12), I(30)).GetFloat(), 0);
  EXPECT_EQ(Run(FN_EncodeDate, I(1900), I(1), I(1)).GetFloat(), 2);
  EXPECT_EQ(Run(FN_EncodeDate, I(2000), I(1), I(1)).GetFloat(), 36526);
  EXPECT_EQ(Run(FN_EncodeDate, I(2000), I(2), I(29)).GetFloat(), 36585);
  EXPECT_EQ(Run(FN_EncodeDate, I(1), I(1), I(1)).GetFloat(), -693593);
  EXPECT_EQ(Run(FN_EncodeDate, I(9999), I(12), I(31)).GetFloat(), 2958465);
  EXPECT_EQ(Run(FN_EncodeDate, I(65536 + 2000), I(1), I(1)).GetFloat(), 36526);  // 16-bit arguments
  for (auto [y, m, d] : {std::tuple{2001, 2, 29}, {1900, 2, 29}, {2000, 13, 1}, {2000, 0, 1}, {2000, 4, 31},
                         {2000, 1, 0}, {0, 1, 1}, {10000, 1, 1}, {-1, 1, 1}})
    EXPECT_EQ(ErrorOf(FN_EncodeDate, I(y), I(m), I(d)), "Invalid date") << y << "-" << m << "-" << d;

  EXPECT_EQ(Run(FN_EncodeTime, I(12), I(0), I(0)).GetFloat(), 0.5L);
  EXPECT_EQ(Run(FN_EncodeTime, I(23), I(59), I(59)).GetFloat(), 86399 / 86400.0L);
  for (auto [h, m, s] : {std::tuple{24, 0, 0}, {0, 60, 0}, {0, 0, 60}, {-1, 0, 0}, {0, -1, 0}})
    EXPECT_EQ(ErrorOf(FN_EncodeTime, I(h), I(m), I(s)), "Invalid time") << h << ":" << m << ":" << s;
}

TEST_F(DateFunctions, DecodingRoundTripsEveryCalendarBoundary) {
  for (int y = 1; y <= 9999; ++y) {
    for (auto [m, d] : {std::pair{1, 1}, {2, 28}, {3, 1}, {12, 31}}) {
      const Real date = Run(FN_EncodeDate, I(y), I(m), I(d)).GetFloat();
      ASSERT_EQ(Run(FN_GetYear, R(date)).GetInt(), y);
      ASSERT_EQ(Run(FN_GetMonth, R(date)).GetInt(), m) << y;
      ASSERT_EQ(Run(FN_GetDay, R(date)).GetInt(), d) << y;
    }
    const bool leap = y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
    const Real march1 = Run(FN_EncodeDate, I(y), I(3), I(1)).GetFloat();
    ASSERT_EQ(Run(FN_GetDay, R(march1 - 1)).GetInt(), leap ? 29 : 28) << y;
  }
  Declare("y", kPtInt);
  Declare("m", kPtInt);
  Declare("d", kPtInt);
  Run(FN_DecodeDate, R(36585.75L), V("y"), V("m"), V("d"));
  EXPECT_EQ(table.Find("y")->Value->GetInt(), 2000);
  EXPECT_EQ(table.Find("m")->Value->GetInt(), 2);
  EXPECT_EQ(table.Find("d")->Value->GetInt(), 29);
  Run(FN_DecodeTime, R(36585.75L + 61.0L / 86400), V("y"), V("m"), V("d"));
  EXPECT_EQ(table.Find("y")->Value->GetInt(), 18);
  EXPECT_EQ(table.Find("m")->Value->GetInt(), 1);
  EXPECT_EQ(table.Find("d")->Value->GetInt(), 1);
}

TEST_F(DateFunctions, TimesBeforeTheEpochAndRounding) {
  // -1.25: the day before 1899-12-30, at 06:00.
  EXPECT_EQ(Run(FN_GetDay, R(-1.25L)).GetInt(), 29);
  EXPECT_EQ(Run(FN_GetHour, R(-1.25L)).GetInt(), 6);
  // Rounded to the millisecond: almost midnight is midnight of the next day.
  const Real almost = 1 - 0.0004L / 86400;
  EXPECT_EQ(Run(FN_GetDay, R(almost)).GetInt(), 31);
  EXPECT_EQ(Run(FN_GetHour, R(almost)).GetInt(), 0);
  EXPECT_EQ(Run(FN_GetSec, R(0.5L + 59.0L / 86400)).GetInt(), 59);
  EXPECT_EQ(Run(FN_GetMin, R(0.5L + 59.0L / 1440)).GetInt(), 59);
  EXPECT_EQ(Run(FN_GetYear, R(-693594)).GetInt(), 0);  // before the first day of the calendar
  EXPECT_EQ(ErrorOf(FN_GetYear, R(1e300L)), "Invalid floating point operation");
}

TEST_F(DateFunctions, WeekdaysStartOnSunday) {
  EXPECT_EQ(Run(FN_GetWeek, I(0)).GetInt(), 7);  // 1899-12-30 was a Saturday
  const Real monday = Run(FN_EncodeDate, I(2024), I(1), I(1)).GetFloat();
  EXPECT_EQ(Run(FN_GetWeek, R(monday + 0.9L)).GetInt(), 2);
  EXPECT_EQ(Run(FN_GetWeek, R(monday - 1)).GetInt(), 1);
  EXPECT_EQ(Run(FN_GetWeek, I(-1)).GetInt(), 6);
  EXPECT_EQ(Run(FN_GetWeekStr, R(monday)).GetStr(), "Monday");
  EXPECT_EQ(Run(FN_GetWeekStr, I(0)).GetStr(), "Saturday");
  const char* japanese[] = {"日", "月", "火", "水", "木", "金", "土"};
  for (int k = 0; k < 7; ++k)
    EXPECT_EQ(Run(FN_GetWeekJStr, R(monday - 1 + k)).GetStr(), J(japanese[k])) << k;
}

}  // namespace
}  // namespace vesk::expr::test
