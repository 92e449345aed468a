// Whole-buffer inflation agrees with zlib and tells a short buffer from a
// bad stream, so callers know when to grow and when to fall back.
#include "core/inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

namespace vesk {
namespace {

std::vector<uint8_t> Deflate(const std::vector<uint8_t>& in) {
  uLongf size = compressBound(uLong(in.size()));
  std::vector<uint8_t> out(size);
  compress2(out.data(), &size, in.data(), uLong(in.size()), Z_BEST_SPEED);
  out.resize(size);
  return out;
}

std::vector<uint8_t> Sample(size_t n) {
  std::vector<uint8_t> data(n);
  std::mt19937 rng(7);
  for (size_t i = 0; i < n; ++i) data[i] = uint8_t(i / 7 + (rng() % 3));
  return data;
}

TEST(InflateWhole, MatchesZlibAndIgnoresWhatFollowsTheStream) {
  const std::vector<uint8_t> data = Sample(100000);
  std::vector<uint8_t> z = Deflate(data);
  z.insert(z.end(), {1, 2, 3});
  std::vector<uint8_t> out;
  ASSERT_EQ(InflateZlibWhole(z, data.size() * 2, out), InflateResult::kOk);
  EXPECT_EQ(out, data);

  std::vector<uint8_t> exact(data.size());
  size_t produced = 0;
  ASSERT_EQ(InflateZlibInto(z, exact, &produced), InflateResult::kOk);
  EXPECT_EQ(produced, data.size());
  EXPECT_EQ(exact, data);
}

TEST(InflateWhole, ShortBuffersAndBadStreamsAreTold) {
  const std::vector<uint8_t> data = Sample(5000);
  const std::vector<uint8_t> z = Deflate(data);
  std::vector<uint8_t> out;
  EXPECT_EQ(InflateZlibWhole(z, data.size() - 1, out), InflateResult::kTooSmall);
  std::vector<uint8_t> sum = z;
  sum.back() ^= 1;
  EXPECT_EQ(InflateZlibWhole(sum, data.size(), out), InflateResult::kBadData);
  const std::vector<uint8_t> cut(z.begin(), z.begin() + ptrdiff_t(z.size() / 2));
  EXPECT_EQ(InflateZlibWhole(cut, data.size(), out), InflateResult::kBadData);
  EXPECT_EQ(InflateZlibWhole({}, 16, out), InflateResult::kBadData);
}

}  // namespace
}  // namespace vesk
