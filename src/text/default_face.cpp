#include "text/fontpixels.h"

namespace vesk::text {

// "ＭＳ ゴシック" in CP932.
const std::string kDefaultFace = "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";

}  // namespace vesk::text
