// The rows are plain loops the compiler vectorises; the working formats are
// built twice, for AVX2 and for the baseline processor, and the loader picks
// the clone the machine can run.
#include "transitions/wipe_kernels.h"

#include <algorithm>

#include "graphics/dibsfc_kernels.h"

namespace vesk::transitions {
namespace {

using graphics::ConstPixelView;
using graphics::PixelView;
namespace gd = graphics::detail;

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define VESK_WIPE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VESK_WIPE_CLONES
#endif

template <class F>
inline typename F::Word GreyOpPixel(typename F::Word grey, typename F::Word s, GreyOp op) {
  return op == GreyOp::kAdd ? gd::AddPixel<F>(grey, s) : gd::SubPixel<F>(grey, s);
}

// --- direct formats ------------------------------------------------------------

template <class F, class W = typename F::Word>
inline void ComposeDirect(W* d, const W* f, const W* t, const uint8_t* m, int n) {
  for (int i = 0; i < n; ++i) {
    const uint32_t mv = m[i];
    const W fv = f[i], tv = t[i];
    const W bv = gd::BlendPixel<F>(tv, fv, mv);
    d[i] = mv == 0 ? fv : (mv == 255 ? tv : bv);
  }
}

template <class W>
inline void SelectDirect(W* d, const W* f, const W* t, const uint8_t* m, int n) {
  for (int i = 0; i < n; ++i) d[i] = m[i] != 0 ? t[i] : f[i];
}

template <class F, GreyOp kOp, class W = typename F::Word>
inline void GreyDirect(W* d, const W* s, int n, W grey) {
  for (int i = 0; i < n; ++i) d[i] = GreyOpPixel<F>(grey, s[i], kOp);
}

template <class F, GreyOp kOp, class W = typename F::Word>
inline void RuleGreyDirect(W* d, const W* f, const W* t, const uint8_t* g, int n, int32_t u,
                           const uint32_t* greys) {
  for (int i = 0; i < n; ++i) {
    const int32_t level = std::clamp(u + int32_t(g[i]) - 256, 0, 511);
    const bool late = level > 255;
    const W grey = W(greys[late ? 511 - level : level]);
    d[i] = GreyOpPixel<F>(grey, late ? t[i] : f[i], kOp);
  }
}

// One clone set per working format and rule; the generic templates above
// are inlined into each.
#define VESK_WIPE_FORMAT_ROWS(NAME, FMT)                                                           \
  VESK_WIPE_CLONES void Compose##NAME(FMT::Word* d, const FMT::Word* f, const FMT::Word* t,        \
                                      const uint8_t* m, int n) {                                   \
    ComposeDirect<FMT>(d, f, t, m, n);                                                             \
  }                                                                                                \
  VESK_WIPE_CLONES void Select##NAME(FMT::Word* d, const FMT::Word* f, const FMT::Word* t,         \
                                     const uint8_t* m, int n) {                                    \
    SelectDirect(d, f, t, m, n);                                                                   \
  }                                                                                                \
  VESK_WIPE_CLONES void GreyAdd##NAME(FMT::Word* d, const FMT::Word* s, int n, FMT::Word grey) {   \
    GreyDirect<FMT, GreyOp::kAdd>(d, s, n, grey);                                                  \
  }                                                                                                \
  VESK_WIPE_CLONES void GreySub##NAME(FMT::Word* d, const FMT::Word* s, int n, FMT::Word grey) {   \
    GreyDirect<FMT, GreyOp::kSub>(d, s, n, grey);                                                  \
  }                                                                                                \
  VESK_WIPE_CLONES void RuleAdd##NAME(FMT::Word* d, const FMT::Word* f, const FMT::Word* t,        \
                                      const uint8_t* g, int n, int32_t u, const uint32_t* greys) { \
    RuleGreyDirect<FMT, GreyOp::kAdd>(d, f, t, g, n, u, greys);                                    \
  }                                                                                                \
  VESK_WIPE_CLONES void RuleSub##NAME(FMT::Word* d, const FMT::Word* f, const FMT::Word* t,        \
                                      const uint8_t* g, int n, int32_t u, const uint32_t* greys) { \
    RuleGreyDirect<FMT, GreyOp::kSub>(d, f, t, g, n, u, greys);                                    \
  }

VESK_WIPE_FORMAT_ROWS(32, gd::Fmt32)
VESK_WIPE_FORMAT_ROWS(16, gd::Fmt16)
VESK_WIPE_FORMAT_ROWS(15, gd::Fmt15)
#undef VESK_WIPE_FORMAT_ROWS

template <class W, class V>
W* RowAt(const V& view, int y) {
  return reinterpret_cast<W*>(view.Row(y));
}

// --- every other format, pixel by pixel ----------------------------------------

template <class F>
void ComposeGeneric(const PixelView& d, const ConstPixelView& f, const ConstPixelView& t,
                    const uint8_t* m, int y, int n, MaskRule rule) {
  using W = typename F::Word;
  const int bits = d.bit_count;
  for (int x = 0; x < n; ++x) {
    const auto fv = W(gd::LoadNative(f.Row(y), x, bits));
    const auto tv = W(gd::LoadNative(t.Row(y), x, bits));
    W out = m[x] == 0 ? fv : tv;
    if (rule == MaskRule::kBlend && m[x] != 0 && m[x] != 255) {
      out = gd::BlendPixel<F>(tv, fv, m[x]);
    }
    gd::StoreNative(d.Row(y), x, bits, out);
  }
}

template <class F>
void RuleGreyGeneric(const PixelView& d, const ConstPixelView& f, const ConstPixelView& t,
                     const uint8_t* g, int y, int n, int32_t u, const uint32_t* greys, GreyOp op) {
  using W = typename F::Word;
  const int bits = d.bit_count;
  for (int x = 0; x < n; ++x) {
    const int32_t level = std::clamp(u + int32_t(g[x]) - 256, 0, 511);
    const bool late = level > 255;
    const auto s = W(gd::LoadNative((late ? t : f).Row(y), x, bits));
    const auto grey = W(greys[late ? 511 - level : level]);
    gd::StoreNative(d.Row(y), x, bits, GreyOpPixel<F>(grey, s, op));
  }
}

}  // namespace

void ComposeMaskRow(const PixelView& dest, const ConstPixelView& from, const ConstPixelView& to,
                    const uint8_t* mask, int y, int n, MaskRule rule) {
  const bool blend = rule == MaskRule::kBlend;
  switch (dest.bit_count) {
    case 32: {
      auto* d = RowAt<uint32_t>(dest, y);
      const auto *f = RowAt<const uint32_t>(from, y), *t = RowAt<const uint32_t>(to, y);
      return blend ? Compose32(d, f, t, mask, n) : Select32(d, f, t, mask, n);
    }
    case 16:
    case 15: {
      auto* d = RowAt<uint16_t>(dest, y);
      const auto *f = RowAt<const uint16_t>(from, y), *t = RowAt<const uint16_t>(to, y);
      if (!blend)
        return dest.bit_count == 16 ? Select16(d, f, t, mask, n) : Select15(d, f, t, mask, n);
      return dest.bit_count == 16 ? Compose16(d, f, t, mask, n) : Compose15(d, f, t, mask, n);
    }
    default:
      gd::WithFormat(dest.bit_count, [&](auto fmt) {
        ComposeGeneric<decltype(fmt)>(dest, from, to, mask, y, n, rule);
      });
  }
}

void GreyRow(const PixelView& dest, const ConstPixelView& source, int y, int n, uint32_t grey,
             GreyOp op) {
  const bool add = op == GreyOp::kAdd;
  switch (dest.bit_count) {
    case 32: {
      auto* d = RowAt<uint32_t>(dest, y);
      const auto* s = RowAt<const uint32_t>(source, y);
      return add ? GreyAdd32(d, s, n, grey) : GreySub32(d, s, n, grey);
    }
    case 16: {
      auto* d = RowAt<uint16_t>(dest, y);
      const auto* s = RowAt<const uint16_t>(source, y);
      return add ? GreyAdd16(d, s, n, uint16_t(grey)) : GreySub16(d, s, n, uint16_t(grey));
    }
    case 15: {
      auto* d = RowAt<uint16_t>(dest, y);
      const auto* s = RowAt<const uint16_t>(source, y);
      return add ? GreyAdd15(d, s, n, uint16_t(grey)) : GreySub15(d, s, n, uint16_t(grey));
    }
    default:
      gd::WithFormat(dest.bit_count, [&](auto fmt) {
        using F = decltype(fmt);
        for (int x = 0; x < n; ++x) {
          const auto s = typename F::Word(gd::LoadNative(source.Row(y), x, dest.bit_count));
          gd::StoreNative(dest.Row(y), x, dest.bit_count,
                          GreyOpPixel<F>(typename F::Word(grey), s, op));
        }
      });
  }
}

void RuleGreyRow(const PixelView& dest, const ConstPixelView& from, const ConstPixelView& to,
                 const uint8_t* levels, int y, int n, int32_t u, const uint32_t* greys, GreyOp op) {
  const bool add = op == GreyOp::kAdd;
  switch (dest.bit_count) {
    case 32: {
      auto* d = RowAt<uint32_t>(dest, y);
      const auto *f = RowAt<const uint32_t>(from, y), *t = RowAt<const uint32_t>(to, y);
      return add ? RuleAdd32(d, f, t, levels, n, u, greys)
                 : RuleSub32(d, f, t, levels, n, u, greys);
    }
    case 16: {
      auto* d = RowAt<uint16_t>(dest, y);
      const auto *f = RowAt<const uint16_t>(from, y), *t = RowAt<const uint16_t>(to, y);
      return add ? RuleAdd16(d, f, t, levels, n, u, greys)
                 : RuleSub16(d, f, t, levels, n, u, greys);
    }
    case 15: {
      auto* d = RowAt<uint16_t>(dest, y);
      const auto *f = RowAt<const uint16_t>(from, y), *t = RowAt<const uint16_t>(to, y);
      return add ? RuleAdd15(d, f, t, levels, n, u, greys)
                 : RuleSub15(d, f, t, levels, n, u, greys);
    }
    default:
      gd::WithFormat(dest.bit_count, [&](auto fmt) {
        RuleGreyGeneric<decltype(fmt)>(dest, from, to, levels, y, n, u, greys, op);
      });
  }
}

}  // namespace vesk::transitions
