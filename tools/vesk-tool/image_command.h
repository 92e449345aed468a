#pragma once
// "vesk-tool image": writes layered images (".orl") from PNG pictures and
// extracts their composed frames back to PNG.
#include <string>
#include <vector>

#include "storage/vrfiles.h"

namespace vesk::tool {

// The usage lines of the image command.
std::string ImageUsage();

// Runs "vesk-tool image ARGS..." (ARGS without the word "image"): 0 on
// success, 1 when a file could not be read or written, 2 for a bad command
// line.
int RunImageCommand(const std::vector<std::string>& args);

// The archive writer's policy that recognises uncompressed layered images
// (it compresses them whatever their size). Storage knows nothing of image
// formats, so the tool hands the test to every archive it writes.
storage::ArchiveWritePolicy ArchiveWritePolicyForImages();

}  // namespace vesk::tool
