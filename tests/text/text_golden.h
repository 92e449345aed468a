#pragma once
// Golden pictures of rendered text, kept in tests/text/golden.
#include <filesystem>
#include <string>

#include "graphics/golden.h"

namespace vesk::text::testing {

inline ::testing::AssertionResult MatchesTextGolden(const graphics::TCustomDIBX& s,
                                                    const std::string& name) {
  return graphics::testing::MatchesGoldenIn(
      std::filesystem::path(VESK_FIXTURES_DIR).parent_path() / "text" / "golden", s, name);
}

}  // namespace vesk::text::testing
