// Date and time. A date-time is a real counting days since 1899-12-30; the
// fraction is the time of day. Before that day the whole part counts back
// and the fraction still counts forward from midnight (-1.25 is 1899-12-29
// 06:00), which is how the stored dates of the original read.
#include <cmath>

#include "expr/sysfuncs_internal.h"
#include "lang/vocabulary.h"

namespace vesk::expr::sysfuncs {
namespace {

using namespace lang;

constexpr int64_t kMsPerDay = 86400000;
// Days from 0001-01-01 (day 1) to 1899-12-30.
constexpr int64_t kDaysTo1899 = 693594;

bool IsLeapYear(int64_t y) {
  return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
}

int DaysInMonth(int64_t y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

Real EncodeDate(int32_t year, int32_t month, int32_t day) {
  // The arguments are 16-bit words: only their low halves count.
  const int y = year & 0xFFFF, m = month & 0xFFFF, d = day & 0xFFFF;
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m))
    RaiseExpr(Msg::kInvalidDate);
  int64_t days = d;
  for (int k = 1; k < m; ++k) days += DaysInMonth(y, k);
  const int64_t before = y - 1;
  return static_cast<Real>(before * 365 + before / 4 - before / 100 + before / 400 + days -
                           kDaysTo1899);
}

Real EncodeTime(int32_t hour, int32_t minute, int32_t second) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
    RaiseExpr(Msg::kInvalidTime);
  return static_cast<Real>(int64_t{hour} * 3600000 + int64_t{minute} * 60000 +
                           int64_t{second} * 1000) /
         kMsPerDay;
}

struct Parts {
  int64_t year = 0, month = 0, day = 0;
  int64_t hour = 0, minute = 0, second = 0;
  int64_t week = 1;  // 1 = Sunday
};

Parts Decode(Real date_time) {
  // Rounded to the millisecond first, so 23:59:59.9996 is already the next
  // day; beyond what milliseconds can count, the conversion traps.
  const Real ms_real = date_time * kMsPerDay;
  if (!std::isfinite(ms_real) || std::fabs(ms_real) >= 9.2e18L)
    RaiseExpr(Msg::kInvalidFloatOperation);
  const int64_t ms = std::llrint(ms_real);
  const int64_t whole_days = ms / kMsPerDay;  // toward zero
  const int64_t time = (ms < 0 ? -ms : ms) % kMsPerDay;

  Parts p;
  p.hour = time / 3600000;
  p.minute = time / 60000 % 60;
  p.second = time / 1000 % 60;
  const int64_t serial = whole_days + kDaysTo1899;  // 0001-01-01 is 1, a Monday
  p.week = (serial % 7 + 7) % 7 + 1;
  if (serial <= 0) return p;  // before the calendar: year, month and day 0

  // Whole 400-, 100-, 4- and 1-year cycles of the Gregorian calendar; the
  // last year of a 100- or 1-year run holds the leap day.
  int64_t t = serial - 1;
  int64_t year = 1 + t / 146097 * 400;
  t %= 146097;
  int64_t i = t / 36524;
  t %= 36524;
  if (i == 4) {
    i = 3;
    t += 36524;
  }
  year += i * 100 + t / 1461 * 4;
  t %= 1461;
  i = t / 365;
  t %= 365;
  if (i == 4) {
    i = 3;
    t += 365;
  }
  year += i;
  int month = 1;
  while (t >= DaysInMonth(year, month)) t -= DaysInMonth(year, month++);
  p.year = year;
  p.month = month;
  p.day = t + 1;
  return p;
}

int32_t Narrow(int64_t v) {
  return static_cast<int32_t>(v);
}

void WriteBack(Call& call, size_t i, int64_t v) {
  if (TParamVar* ref = call.Var(i)) ref->SetInt(Narrow(v));
}

}  // namespace

bool CallDateFunction(int id, Call& call) {
  switch (id) {
    case FN_EncodeDate:
      call.SetFloat(EncodeDate(call.Int(0), call.Int(1), call.Int(2)));
      return true;
    case FN_EncodeTime:
      call.SetFloat(EncodeTime(call.Int(0), call.Int(1), call.Int(2)));
      return true;
    case FN_DecodeDate: {
      const Parts p = Decode(call.Float(0));
      WriteBack(call, 1, p.year);
      WriteBack(call, 2, p.month);
      WriteBack(call, 3, p.day);
      return true;
    }
    case FN_DecodeTime: {
      const Parts p = Decode(call.Float(0));
      WriteBack(call, 1, p.hour);
      WriteBack(call, 2, p.minute);
      WriteBack(call, 3, p.second);
      return true;
    }
    case FN_GetYear:
      call.SetInt(Narrow(Decode(call.Float(0)).year));
      return true;
    case FN_GetMonth:
      call.SetInt(Narrow(Decode(call.Float(0)).month));
      return true;
    case FN_GetDay:
      call.SetInt(Narrow(Decode(call.Float(0)).day));
      return true;
    case FN_GetHour:
      call.SetInt(Narrow(Decode(call.Float(0)).hour));
      return true;
    case FN_GetMin:
      call.SetInt(Narrow(Decode(call.Float(0)).minute));
      return true;
    case FN_GetSec:
      call.SetInt(Narrow(Decode(call.Float(0)).second));
      return true;
    case FN_GetWeek:
      call.SetInt(Narrow(Decode(call.Float(0)).week));
      return true;
    case FN_GetWeekStr: {
      static const char* const kNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
      call.SetStr(kNames[Decode(call.Float(0)).week - 1]);
      return true;
    }
    case FN_GetWeekJStr: {
      const auto first = static_cast<int>(Msg::kWeekSun);
      call.SetStr(MessageCp932(static_cast<Msg>(first + Decode(call.Float(0)).week - 1)));
      return true;
    }
    default:
      return false;
  }
}

}  // namespace vesk::expr::sysfuncs
