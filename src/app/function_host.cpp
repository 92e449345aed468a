#include "app/function_host.h"

#include "platform/cp932.h"
#include "platform/shell.h"

namespace vesk::app {

std::optional<std::vector<uint8_t>> PlayerFunctionHost::LoadFile(const std::string& name_cp932) {
  if (!files_.Exists(name_cp932)) return std::nullopt;
  try {
    return files_.ReadFileBytes(name_cp932);
  } catch (const std::exception&) {
    return std::nullopt;  // a damaged entry reads as no file
  }
}

bool PlayerFunctionHost::OpenUrl(const std::string& url_cp932) {
  return platform::OpenUrl(platform::Cp932ToUtf8(url_cp932));
}

}  // namespace vesk::app
