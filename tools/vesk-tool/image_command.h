#pragma once
// "vesk-tool image": writes layered images (".orl") from PNG pictures and
// extracts their composed frames back to PNG.
#include <string>
#include <vector>

namespace vesk::tool {

// The usage lines of the image command.
std::string ImageUsage();

// Runs "vesk-tool image ARGS..." (ARGS without the word "image"): 0 on
// success, 1 when a file could not be read or written, 2 for a bad command
// line.
int RunImageCommand(const std::vector<std::string>& args);

// Lets the archive writer recognise uncompressed layered images (it
// compresses them whatever their size). Storage knows nothing of image
// formats, so the tool connects the two at start-up.
void ConnectImageFormatsToArchives();

}  // namespace vesk::tool
