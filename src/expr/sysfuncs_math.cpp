// Mathematics, the pseudo-random generator and Not.
#include <cmath>

#include "expr/sysfuncs_internal.h"
#include "lang/vocabulary.h"

namespace vesk::expr::sysfuncs {
namespace {

using namespace lang;

// The original's floating-point unit traps invalid operations and
// overflow, so a function that turns finite arguments into a NaN or an
// infinity fails instead of handing the script a value it cannot print.
Real Checked(Real result, Real a, Real b = 0) {
  if (std::isnan(result) && !std::isnan(a) && !std::isnan(b))
    RaiseExpr(Msg::kInvalidFloatOperation);
  if (std::isinf(result) && std::isfinite(a) && std::isfinite(b)) RaiseExpr(Msg::kFloatOverflow);
  return result;
}

}  // namespace

bool CallMathFunction(int id, Call& call) {
  switch (id) {
    case FN_Random: {
      call.SetInt(static_cast<int32_t>(call.man().NextRandom(static_cast<uint32_t>(call.Int(0)))));
      return true;
    }
    case FN_Int:
      call.SetInt(RealToInt(call.Float(0)));
      return true;
    case FN_Float:
      call.SetFloat(call.Float(0));
      return true;
    case FN_Sin:
      call.SetFloat(Checked(std::sin(call.Float(0)), call.Float(0)));
      return true;
    case FN_Cos:
      call.SetFloat(Checked(std::cos(call.Float(0)), call.Float(0)));
      return true;
    case FN_Tan:
      call.SetFloat(Checked(std::tan(call.Float(0)), call.Float(0)));
      return true;
    case FN_ArcSin:
      call.SetFloat(Checked(std::asin(call.Float(0)), call.Float(0)));
      return true;
    case FN_ArcCos:
      call.SetFloat(Checked(std::acos(call.Float(0)), call.Float(0)));
      return true;
    case FN_ArcTan:
      call.SetFloat(Checked(std::atan(call.Float(0)), call.Float(0)));
      return true;
    case FN_ArcTan2: {
      const Real y = call.Float(0), x = call.Float(1);
      call.SetFloat(Checked(std::atan2(y, x), y, x));
      return true;
    }
    case FN_Hypot: {
      const Real a = call.Float(0), b = call.Float(1);
      call.SetFloat(Checked(std::hypot(a, b), a, b));
      return true;
    }
    case FN_Abs: {
      // The most negative integer has no positive counterpart and stays.
      const int32_t v = call.Int(0);
      call.SetInt(v < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(v)) : v);
      return true;
    }
    case FN_Fabs:
      call.SetFloat(std::fabs(call.Float(0)));
      return true;
    case FN_Min: {
      const int32_t a = call.Int(0), b = call.Int(1);
      call.SetInt(a < b ? a : b);
      return true;
    }
    case FN_Max: {
      const int32_t a = call.Int(0), b = call.Int(1);
      call.SetInt(a > b ? a : b);
      return true;
    }
    case FN_Fmin: {
      const Real a = call.Float(0), b = call.Float(1);
      call.SetFloat(a < b ? a : b);
      return true;
    }
    case FN_Fmax: {
      const Real a = call.Float(0), b = call.Float(1);
      call.SetFloat(a > b ? a : b);
      return true;
    }
    case FN_Not:
      call.SetFlag(!call.Flag(0));
      return true;
    default:
      return false;
  }
}

}  // namespace vesk::expr::sysfuncs
