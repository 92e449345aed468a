#pragma once
#include <string>

namespace vesk::platform {

// Opens a web page in the user's browser (xdg-open). False when it could not
// be started.
bool OpenUrl(const std::string& url_utf8);

}  // namespace vesk::platform
