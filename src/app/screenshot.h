#pragma once
#include <string>

#include "platform/back_buffer.h"

namespace vesk::app {

// Writes the frame as an 8-bit RGB PNG, atomically. False with *error set
// when it cannot be written.
bool SavePng(const platform::BackBuffer& frame, const std::string& path, std::string* error);

}  // namespace vesk::app
