// Array functions: shape, fill, copy, join and split, search, sort, and the
// one-dimensional add/insert/delete. They act on the whole variable behind
// a reference operand.
#include <algorithm>

#include "expr/sysfuncs_internal.h"
#include "lang/vocabulary.h"

namespace vesk::expr::sysfuncs {
namespace {

using namespace lang;

bool IsElementType(int type) {
  return type >= lang::PT_INT && type <= lang::PT_STR;
}

// dst[di] := src[si], read with the getter of `type` (the destination's).
void CopyElement(TCustomParam& dst, int32_t di, const TCustomParam& src, int32_t si, int type) {
  switch (type) {
    case lang::PT_INT:
      dst.SetIntAt(di, src.GetIntAt(si));
      break;
    case lang::PT_FLOAT:
      dst.SetFloatAt(di, src.GetFloatAt(si));
      break;
    case lang::PT_BOOL:
      dst.SetFlagAt(di, src.GetFlagAt(si));
      break;
    case lang::PT_STR:
      dst.SetStrAt(di, src.GetStrAt(si));
      break;
    default:
      break;
  }
}

// The elements of `src` converted to `type`, taken before the destination
// changes (it may be the same variable).
std::unique_ptr<TCustomParam> Snapshot(const TCustomParam& src, int type) {
  auto copy = MakeParam(type);
  const int32_t n = std::max(src.Count(), 0);
  copy->SetCount(n);
  for (int32_t i = 0; i < n; ++i) CopyElement(*copy, i, src, i, type);
  return copy;
}

int32_t GrownCount(int32_t a, int32_t b) {
  const int64_t n = int64_t{a} + b;
  if (n > INT32_MAX) RaiseExpr(Msg::kBadDimension);
  return static_cast<int32_t>(n);
}

int32_t AddArray(TParamVar& a, const TCustomParam& b) {
  const int type = a.ParamType();
  if (a.DimCount() > 1 || b.DimCount() > 1 || !IsElementType(type)) return a.Count();
  const auto tail = Snapshot(b, type);
  const int32_t old_count = a.Count();
  const int32_t count = GrownCount(old_count, tail->Count());
  a.SetDims({count});
  for (int32_t i = 0; i < tail->Count(); ++i) CopyElement(a, old_count + i, *tail, i, type);
  return count;
}

int32_t InsertArray(TParamVar& a, int32_t position, const TCustomParam& c) {
  const int type = a.ParamType();
  if (a.DimCount() > 1 || c.DimCount() > 1 || !IsElementType(type)) return a.Count();
  const auto part = Snapshot(c, type);
  const int32_t old_count = a.Count(), n = part->Count();
  const int32_t p = std::clamp(position, 0, old_count);
  const int32_t count = GrownCount(old_count, n);
  a.SetDims({count});
  for (int32_t i = old_count - 1; i >= p; --i) CopyElement(a, i + n, a, i, type);
  for (int32_t i = 0; i < n; ++i) CopyElement(a, p + i, *part, i, type);
  return count;
}

int32_t DeleteArray(TParamVar& a, int32_t position, int32_t count) {
  const int type = a.ParamType();
  const int32_t old_count = a.Count();
  if (a.DimCount() != 1 || old_count < 1 || !IsElementType(type)) return old_count;
  const int32_t p = std::clamp(position, 0, old_count - 1);
  // A negative count removes nothing rather than moving elements backwards.
  const int32_t n = std::clamp(count, 0, old_count - p);
  // The elements move before the new size is applied, so removing every
  // element fails on the size with the moves (none) already done.
  for (int32_t i = p; i + n < old_count; ++i) CopyElement(a, i, a, i + n, type);
  a.SetDims({old_count - n});
  return old_count - n;
}

// Splits at every byte of `separators` that is a character of its own in
// both texts; consecutive separators give empty pieces, a trailing one none.
std::vector<std::string> SplitAtBytes(const std::string& text, const std::string& separators) {
  bool is_separator[256] = {};
  const std::vector<size_t> sep_starts = CharStarts(separators);
  for (size_t k = 0; k + 1 < sep_starts.size(); ++k)
    is_separator[static_cast<uint8_t>(separators[sep_starts[k]])] = true;
  std::vector<std::string> pieces;
  const std::vector<size_t> at = CharStarts(text);
  size_t start = 0;
  for (size_t k = 0; k + 1 < at.size(); ++k) {
    const size_t i = at[k];
    if (at[k + 1] - i != 1 || !is_separator[static_cast<uint8_t>(text[i])]) continue;
    pieces.push_back(text.substr(start, i - start));
    start = i + 1;
  }
  if (start < text.size()) pieces.push_back(text.substr(start));
  return pieces;
}

// Stores the pieces into b: one dimension of as many elements (none makes
// the shape fail with the runtime's message), one piece each.
void StorePieces(TParamVar& b, const std::vector<std::string>& pieces) {
  if (pieces.size() > static_cast<size_t>(INT32_MAX)) RaiseExpr(Msg::kBadDimension);
  b.SetDims({static_cast<int32_t>(pieces.size())});
  for (size_t i = 0; i < pieces.size(); ++i) b.SetStrAt(static_cast<int32_t>(i), pieces[i]);
}

std::string Join(const TCustomParam& a, const std::string& separator) {
  std::string out;
  for (int32_t i = 0; i < a.Count(); ++i) {
    const std::string e = a.GetStrAt(i);
    CheckTextSize(static_cast<int64_t>(out.size() + separator.size() + e.size()));
    if (i > 0) out += separator;
    out += e;
  }
  return out;
}

void SortStrings(TParamVar& a) {
  struct Entry {
    std::string key, text;
  };
  std::vector<Entry> entries;
  for (int32_t i = 0; i < a.Count(); ++i) {
    std::string text = a.GetStrAt(i);
    entries.push_back({LowerAsciiSjis(text), std::move(text)});
  }
  // Letter case is folded to lower so that the symbols between "Z" and "a"
  // sort before the letters, as the locale order of the original places them.
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& x, const Entry& y) {
    return std::lexicographical_compare(
        x.key.begin(), x.key.end(), y.key.begin(), y.key.end(),
        [](char p, char q) { return static_cast<uint8_t>(p) < static_cast<uint8_t>(q); });
  });
  for (size_t i = 0; i < entries.size(); ++i) a.SetStrAt(static_cast<int32_t>(i), entries[i].text);
}

}  // namespace

bool CallArrayFunction(int id, Call& call) {
  switch (id) {
    case FN_GetArraySize: {
      TParamVar* a = call.FoundVar(0);
      if (!a) RaiseExpr(Msg::kGetArraySizeNoVariable);
      if (call.count() < 2) {
        call.SetInt(a->Count());
      } else {
        // Counted from the last dimension: 0 asks for the one that varies fastest.
        const int64_t k = int64_t{a->DimCount()} - 1 - call.Int(1);
        call.SetInt(k < 0 || k > INT32_MAX ? 1 : a->DimSize(static_cast<int32_t>(k)));
      }
      return true;
    }
    case FN_SetArray: {
      TParamVar* a = call.FoundVar(0);
      if (!a) RaiseExpr(Msg::kSetArrayNoVariable);
      std::vector<int32_t> sizes;
      for (size_t i = 1; i < call.count(); ++i) sizes.push_back(call.Int(i));
      a->SetDims(sizes);
      return true;
    }
    case FN_FillMem: {
      TParamVar* a = call.FoundVar(0);
      if (!a) RaiseExpr(Msg::kFillMemNoVariable);
      switch (a->ParamType()) {
        case lang::PT_INT:
          a->FillInt(call.Int(1));
          break;
        case lang::PT_FLOAT:
          a->FillFloat(call.Float(1));
          break;
        case lang::PT_BOOL:
          a->FillFlag(call.Flag(1));
          break;
        case lang::PT_STR:
          a->FillStr(call.Str(1));
          break;
        default:
          break;
      }
      return true;
    }
    case FN_CopyMem: {
      TParamVar* a = call.FoundVar(0);
      TParamVar* b = call.FoundVar(1);
      if (!a || !b) RaiseExpr(Msg::kCopyMemNoVariable);
      a->CopyMem(*b);
      return true;
    }
    case FN_ArrayToString:
      call.SetStr(Join(call.Arg(0), call.count() < 2 ? std::string("\r\n") : call.Str(1)));
      return true;
    case FN_StringToArray:
      if (TParamVar* b = call.FoundVar(1)) {
        const std::string text = call.Str(0);
        const std::string separators = call.count() < 3 ? std::string("\r\n") : call.Str(2);
        StorePieces(*b, separators == "\r\n" ? SplitLines(text) : SplitAtBytes(text, separators));
      }
      return true;
    case FN_IndexOfStr:
      call.SetInt(
          call.Arg(0).IndexOfStr(call.Str(1), call.count() < 3 || call.Flag(2), call.Flag(3)));
      return true;
    case FN_SortStr:
      if (TParamVar* a = call.FoundVar(0)) SortStrings(*a);
      return true;
    case FN_AddArray:
      if (TParamVar* a = call.FoundVar(0)) call.SetInt(AddArray(*a, call.Arg(1)));
      return true;
    case FN_InsertArray:
      if (TParamVar* a = call.FoundVar(0)) call.SetInt(InsertArray(*a, call.Int(1), call.Arg(2)));
      return true;
    case FN_DeleteArray:
      if (TParamVar* a = call.FoundVar(0)) call.SetInt(DeleteArray(*a, call.Int(1), call.Int(2)));
      return true;
    case FN_CopyArray: {
      // A reference that found nothing has no elements; copying it would
      // empty the destination, so only a real source is copied.
      TParamVar* a = call.FoundVar(0);
      const bool source = call.Has(1) && (!call.Var(1) || call.FoundVar(1));
      if (a && source) {
        a->CopyFrom(call.Arg(1));
        call.SetFlag(true);
      }
      return true;
    }
    case FN_GetVarType:
      call.SetInt(call.Has(0) ? call.Arg(0).ParamType() : lang::PT_NONE);
      return true;
    default:
      return false;
  }
}

}  // namespace vesk::expr::sysfuncs
