#include "app/function_host.h"

#include "scene/scene_port.h"
#include "lang/vocabulary.h"

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

bool PlayerFunctionHost::CallObjectFunction(int id, expr::TParamCollectionItem& dest, expr::Operands& operands) {
  if (id == lang::FN_GetDisplayMode) {
    // GetDisplayMode(index, var width, var height, var bits, var refresh)
    platform::DisplayMode mode;
    const bool found = screen_ && !operands.empty() && operands.size() >= 5 &&
                       screen_->GetMode(operands[0]->GetInt(), &mode);
    if (found) {
      const int32_t values[] = {mode.width_px, mode.height_px, mode.bits_per_pixel, mode.refresh_hz};
      for (size_t i = 0; i < 4; ++i) operands[i + 1]->SetInt(values[i]);
    }
    if (dest.Value) dest.Value->SetFlag(found);
    return true;
  }
  return scene_ && scene::CallSceneFunction(*scene_, id, dest, operands);
}

}  // namespace vesk::app
