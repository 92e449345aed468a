#include "platform/cp932.h"

#include <errno.h>
#include <iconv.h>

#include <mutex>

namespace vesk::platform {
namespace {

// One converter per direction; iconv_t is not thread-safe, so each use holds
// its mutex. Conversions happen at the boundary only, never per pixel.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }

  // Converts, replacing each unconvertible input unit (one byte, or one
  // UTF-8 sequence) with `replacement`. Returns true when nothing was replaced.
  bool Run(std::string_view in, std::string_view replacement, bool utf8_input, std::string* out) {
    std::lock_guard lock(mutex_);
    out->clear();
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      out->assign(in);
      return false;
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    bool clean = true;
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char buf[1024];
    while (src_left > 0) {
      char* dst = buf;
      size_t dst_left = sizeof buf;
      size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
      out->append(buf, dst - buf);
      if (r != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: skip one unit and mark it.
      clean = false;
      size_t skip = 1;
      if (utf8_input) {
        const auto lead = static_cast<unsigned char>(*src);
        skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (skip > src_left) skip = src_left;
      }
      out->append(replacement);
      src += skip;
      src_left -= skip;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return clean;
  }

 private:
  iconv_t cd_;
  std::mutex mutex_;
};

Converter& ToUtf8() {
  static Converter c("UTF-8", "CP932");
  return c;
}
Converter& ToCp932() {
  static Converter c("CP932", "UTF-8");
  return c;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string out;
  ToUtf8().Run(cp932, "\xEF\xBF\xBD", false, &out);
  return out;
}

std::string Utf8ToCp932(std::string_view utf8) {
  std::string out;
  ToCp932().Run(utf8, "?", true, &out);
  return out;
}

std::string Utf8ToCp932Dropping(std::string_view utf8) {
  std::string out;
  ToCp932().Run(utf8, "", true, &out);
  return out;
}

bool IsCp932Representable(std::string_view utf8) {
  std::string out;
  return ToCp932().Run(utf8, "?", true, &out);
}

}  // namespace vesk::platform
