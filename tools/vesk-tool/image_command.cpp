// "vesk-tool image": PNG pictures in, layered images out, and back. The
// tool writes through the same writer and reads through the same reader as
// the player, so what it extracts is what a game shows.
#include "vesk-tool/image_command.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>

#include "graphics/image_codecs.h"
#include "graphics/orlo.h"
#include "graphics/orlo_writer.h"
#include "platform/files.h"
#include "storage/vrfiles.h"

namespace vesk::tool {
namespace {

namespace fs = std::filesystem;
using graphics::OrloCompression;
using graphics::OrloWriteOptions;
using graphics::TDIBX;
using graphics::TOrloFrameInput;
using graphics::TOrloFrameList;
using graphics::TOrloLayerInput;

// Ends the command: printed as "vesk-tool: FILE: WHAT", exit status 1.
struct Failure {
  std::string file, what;
};
// A command line that makes no sense: printed with the usage, exit status 2.
struct UsageFailure {
  std::string what;
};

constexpr int32_t kDefaultDelayMs = 100;

struct LayerArg {
  std::string path;
  int opacity = 255;
};

struct FrameArg {
  std::vector<LayerArg> layers;  // the first is the frame's own picture
};

struct WriteArgs {
  std::string out;
  std::vector<FrameArg> frames;
  std::vector<int32_t> delays;
  OrloWriteOptions options;
  std::optional<int32_t> color_key;   // 0x00BBGGRR
  std::optional<int32_t> background;  // 0x00BBGGRR
  int bits = 24;
  bool alpha = true;
};

// ------------------------------------------------------------ parsing ---

int64_t ParseInteger(const std::string& text, const std::string& what) {
  int64_t value = 0;
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  int base = 10;
  bool negative = false;
  if (begin != end && *begin == '-') negative = true, ++begin;
  if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X'))
    begin += 2, base = 16;
  const auto [stop, ec] = std::from_chars(begin, end, value, base);
  if (begin == end || ec != std::errc() || stop != end)
    throw UsageFailure{what + " wants a number, not '" + text + "'"};
  return negative ? -value : value;
}

int ParseRange(const std::string& text, const std::string& what, int low, int high) {
  const int64_t v = ParseInteger(text, what);
  if (v < low || v > high) {
    throw UsageFailure{what + " must lie between " + std::to_string(low) + " and " +
                       std::to_string(high) + ", not " + text};
  }
  return int(v);
}

// "RRGGBB", "#RRGGBB" or "0xRRGGBB" (the way web colours read) -> colour
// value 0x00BBGGRR.
int32_t ParseColour(const std::string& text, const std::string& what) {
  std::string hex = text;
  if (!hex.empty() && hex[0] == '#') hex.erase(0, 1);
  if (hex.size() > 2 && hex[0] == '0' && (hex[1] == 'x' || hex[1] == 'X')) hex.erase(0, 2);
  uint32_t rgb = 0;
  const auto [stop, ec] = std::from_chars(hex.data(), hex.data() + hex.size(), rgb, 16);
  if (hex.size() != 6 || ec != std::errc() || stop != hex.data() + hex.size())
    throw UsageFailure{what + " wants a colour RRGGBB in hex, not '" + text + "'"};
  return int32_t((rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16);
}

std::string ColourText(int32_t color) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X%02X", color & 0xFF, color >> 8 & 0xFF,
                color >> 16 & 0xFF);
  return text;
}

uint32_t ParseSeed(const std::string& text) {
  const int64_t v = ParseInteger(text, "--seed");
  if (v < INT32_MIN || v > int64_t(UINT32_MAX))
    throw UsageFailure{"--seed is a 32-bit number, not " + text};
  return uint32_t(v);
}

LayerArg ParseLayer(const std::string& text) {
  // The opacity follows the last ':' when it is a number; file names may
  // contain ':' themselves.
  const size_t colon = text.rfind(':');
  if (colon != std::string::npos && colon + 1 < text.size() &&
      text.find_first_not_of("0123456789", colon + 1) == std::string::npos) {
    return LayerArg{text.substr(0, colon),
                    ParseRange(text.substr(colon + 1), "layer opacity", 0, 255)};
  }
  return LayerArg{text, 255};
}

std::vector<int32_t> ParseDelays(const std::string& text) {
  std::vector<int32_t> out;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    out.push_back(ParseRange(text.substr(start, comma - start), "--delay", 0, INT32_MAX));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out;
}

void ParseBlocks(const std::string& text, OrloWriteOptions& o) {
  if (text == "none" || text == "0") {
    o.BlockWidth = o.BlockHeight = 0;
    return;
  }
  const size_t x = text.find('x');
  if (x == std::string::npos) throw UsageFailure{"--blocks wants WxH or none, not '" + text + "'"};
  o.BlockWidth = ParseRange(text.substr(0, x), "block width", 1, 4096);
  o.BlockHeight = ParseRange(text.substr(x + 1), "block height", 1, 4096);
}

WriteArgs ParseWrite(const std::vector<std::string>& args) {
  WriteArgs w;
  std::vector<std::string> positional;
  auto value = [&](size_t& i) -> const std::string& {
    if (i + 1 >= args.size()) throw UsageFailure{args[i] + " wants a value"};
    return args[++i];
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--layer") {
      const LayerArg layer = ParseLayer(value(i));
      if (w.frames.empty()) throw UsageFailure{"--layer follows the frame picture it belongs to"};
      w.frames.back().layers.push_back(layer);
    } else if (a == "--delay") {
      w.delays = ParseDelays(value(i));
    } else if (a == "--compress") {
      const std::string& m = value(i);
      if (m == "zlib")
        w.options.Compression = OrloCompression::kZlib;
      else if (m == "none")
        w.options.Compression = OrloCompression::kNone;
      else if (m == "jpeg")
        w.options.Compression = OrloCompression::kJpeg;
      else
        throw UsageFailure{"--compress wants zlib, none or jpeg, not '" + m + "'"};
    } else if (a == "--quality") {
      w.options.JpegQuality = ParseRange(value(i), "--quality", 1, 100);
    } else if (a == "--seed") {
      w.options.Scramble = true;
      w.options.ScrambleSeed = ParseSeed(value(i));
    } else if (a == "--colorkey") {
      w.color_key = ParseColour(value(i), "--colorkey");
    } else if (a == "--background") {
      w.background = ParseColour(value(i), "--background");
    } else if (a == "--blocks") {
      ParseBlocks(value(i), w.options);
    } else if (a == "--bits") {
      const int bits = ParseRange(value(i), "--bits", 16, 32);
      if (bits != 16 && bits != 24 && bits != 32) throw UsageFailure{"--bits wants 16, 24 or 32"};
      w.bits = bits;
    } else if (a == "--no-alpha") {
      w.alpha = false;
    } else if (a == "--opaque-bottom") {
      w.options.OpaqueBottom = true;
    } else if (a.rfind("--", 0) == 0) {
      throw UsageFailure{"unknown option '" + a + "' for image"};
    } else if (positional.empty()) {
      positional.push_back(a);
      w.out = a;
    } else {
      w.frames.push_back(FrameArg{{LayerArg{a, 255}}});
    }
  }
  if (w.out.empty() || w.frames.empty())
    throw UsageFailure{"image wants OUT.orl and at least one FRAME.png"};
  if (w.delays.size() > 1 && w.delays.size() != w.frames.size()) {
    throw UsageFailure{"--delay has " + std::to_string(w.delays.size()) + " values for " +
                       std::to_string(w.frames.size()) + " frames"};
  }
  return w;
}

// ------------------------------------------------------------ writing ---

// A PNG as a layer in the frame's bit count, with its mask and colour
// key (native value of the frame's format, -1 none).
struct LoadedLayer {
  TDIBX pixels;
  std::unique_ptr<TDIBX> mask;
  int32_t key = -1;
};

LoadedLayer LoadLayer(const std::string& path, int bits, bool alpha) {
  const std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(path);
  if (!bytes)
    throw Failure{path, platform::DirectoryExists(path) ? "is a folder" : "cannot be read"};
  if (!graphics::LooksLikePng(*bytes)) throw Failure{path, "is not a PNG picture"};
  TOrloFrameList list;
  try {
    list.LoadFromBytes(".png", *bytes);
  } catch (const std::exception& e) {
    throw Failure{path, e.what()};
  }
  graphics::TOrloFrame& frame = list.Frame(0);
  LoadedLayer out;
  if (alpha) out.mask = frame.Bitmap.TakeMask();
  graphics::ConvertBitCount(frame.Bitmap, bits);
  out.pixels = std::move(static_cast<TDIBX&>(frame.Bitmap));
  if (frame.ColorKeyColor >= 0)
    out.key = int32_t(graphics::ColorToNative(frame.ColorKeyColor, bits));
  return out;
}

std::vector<TOrloFrameInput> BuildFrames(const WriteArgs& w) {
  std::vector<TOrloFrameInput> frames;
  const int32_t given_key =
      w.color_key ? int32_t(graphics::ColorToNative(*w.color_key, w.bits)) : -1;
  for (size_t fi = 0; fi < w.frames.size(); ++fi) {
    TOrloFrameInput f;
    f.BitCount = w.bits;
    f.FrameTime = w.delays.empty() ? kDefaultDelayMs : w.delays[w.delays.size() == 1 ? 0 : fi];
    const std::vector<LayerArg>& layers = w.frames[fi].layers;
    for (size_t li = 0; li < layers.size(); ++li) {
      LoadedLayer l = LoadLayer(layers[li].path, w.bits, w.alpha);
      if (li == 0) {
        f.Width = l.pixels.Width();
        f.Height = l.pixels.Height();
        f.ColorKey = given_key >= 0 ? given_key : l.key;
      } else if (l.pixels.Width() != f.Width || l.pixels.Height() != f.Height) {
        throw Failure{layers[li].path, "is " + std::to_string(l.pixels.Width()) + " x " +
                                           std::to_string(l.pixels.Height()) + ", its frame " +
                                           std::to_string(f.Width) + " x " +
                                           std::to_string(f.Height)};
      }
      TOrloLayerInput layer;
      layer.Opacity = layers[li].opacity;
      layer.ColorKey = l.key >= 0 ? l.key : given_key;
      // The bottom picture is copied whole: its key-coloured pixels stay in
      // the frame, where the frame's key makes them transparent.
      if (li == 0 && layer.ColorKey == f.ColorKey) layer.ColorKey = -1;
      layer.AlphaEnabled = l.mask != nullptr;
      layer.Mask = std::move(l.mask);
      layer.Pixels = std::move(l.pixels);
      f.Layers.push_back(std::move(layer));
    }
    frames.push_back(std::move(f));
  }
  return frames;
}

int Write(const std::vector<std::string>& args) {
  WriteArgs w = ParseWrite(args);
  if (platform::DirectoryExists(w.out)) throw Failure{w.out, "is a folder"};
  const std::vector<TOrloFrameInput> frames = BuildFrames(w);
  w.options.BackgroundColor = w.background ? *w.background : w.color_key ? *w.color_key : 0;
  std::vector<uint8_t> bytes;
  try {
    bytes = graphics::EncodeOrlo(frames, w.options);
  } catch (const std::exception& e) {
    throw Failure{w.out, e.what()};
  }
  if (!platform::WriteFileAtomic(w.out, bytes.data(), bytes.size()))
    throw Failure{w.out, "cannot be written"};
  size_t layers = 0;
  for (const TOrloFrameInput& f : frames) layers += f.Layers.size();
  std::cout << w.out << ": " << frames.size() << (frames.size() == 1 ? " frame, " : " frames, ")
            << layers << (layers == 1 ? " layer, " : " layers, ") << bytes.size() << " bytes\n";
  return 0;
}

// ---------------------------------------------------------- reading ---

TOrloFrameList ReadFile(const std::string& path, uint32_t seed) {
  const std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(path);
  if (!bytes)
    throw Failure{path, platform::DirectoryExists(path) ? "is a folder" : "cannot be read"};
  // Files of the first version have no magic; anything else without one
  // is most likely not a layered image at all, which the message says.
  const bool magic =
      bytes->size() >= 4 && std::string(bytes->begin(), bytes->begin() + 4) == "Orlo";
  TOrloFrameList list(seed);
  try {
    list.LoadFromStream(*bytes);
  } catch (const std::exception& e) {
    if (!magic)
      throw Failure{
          path, std::string("is not a layered image (no \"Orlo\" magic; as a file of version 0: ") +
                    e.what() + ")"};
    throw Failure{path, e.what()};
  }
  // The player shows what a cut file holds; an author is told it is cut.
  if (list.Truncated)
    throw Failure{path, "truncated: the file ends after " + std::to_string(list.Count()) +
                            " frame(s) of what it announces"};
  return list;
}

std::string Describe(const graphics::TOrloFrame& f) {
  std::string text = std::to_string(f.Width()) + " x " + std::to_string(f.Height()) + ", " +
                     std::to_string(f.FrameTime) + " ms";
  if (f.HasMask()) text += ", mask";
  if (f.ColorKeyColor >= 0) text += ", colour key " + ColourText(f.ColorKeyColor);
  return text;
}

struct ReadArgs {
  std::string file, dir;
  uint32_t seed = 0;
};

ReadArgs ParseRead(const std::vector<std::string>& args, size_t wanted, const std::string& what) {
  ReadArgs r;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--seed") {
      if (i + 1 >= args.size()) throw UsageFailure{"--seed wants a value"};
      r.seed = ParseSeed(args[++i]);
    } else if (args[i].rfind("--", 0) == 0) {
      throw UsageFailure{"unknown option '" + args[i] + "' for " + what};
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != wanted)
    throw UsageFailure{what + (wanted == 2 ? " wants FILE.orl and DIR" : " wants FILE.orl")};
  r.file = positional[0];
  if (wanted == 2) r.dir = positional[1];
  return r;
}

int Extract(const std::vector<std::string>& args) {
  const ReadArgs r = ParseRead(args, 2, "--extract");
  const TOrloFrameList list = ReadFile(r.file, r.seed);
  if (platform::FileExists(r.dir) && !platform::DirectoryExists(r.dir))
    throw Failure{r.dir, "is not a folder"};
  if (!platform::MakeDirectories(r.dir)) throw Failure{r.dir, "cannot be created"};
  const std::string stem = fs::path(r.file).stem().string();
  const int digits = std::max<int>(3, int(std::to_string(std::max(list.Count() - 1, 0)).size()));
  for (int i = 0; i < list.Count(); ++i) {
    const graphics::TOrloFrame& f = list.Frame(i);
    std::string index = std::to_string(i);
    index.insert(0, static_cast<size_t>(std::max(0, digits - static_cast<int>(index.size()))), '0');
    const std::string path = platform::JoinPath(r.dir, stem + "-" + index + ".png");
    if (f.Width() == 0 || f.Height() == 0) {
      std::cout << path << ": skipped, the frame is empty\n";
      continue;
    }
    const std::vector<uint8_t> png =
        graphics::EncodePng(f.Bitmap, f.Bitmap.Mask(), f.HasMask() ? -1 : f.ColorKeyColor);
    if (!platform::WriteFileAtomic(path, png.data(), png.size()))
      throw Failure{path, "cannot be written"};
    std::cout << path << ": " << Describe(f) << '\n';
  }
  return 0;
}

int Info(const std::vector<std::string>& args) {
  const ReadArgs r = ParseRead(args, 1, "--info");
  const TOrloFrameList list = ReadFile(r.file, r.seed);
  std::cout << r.file << ": version " << list.Version << ", " << list.Count()
            << (list.Count() == 1 ? " frame" : " frames") << ", background "
            << ColourText(list.BackgroundColor) << (list.OpaqueBottom ? ", opaque bottom" : "")
            << '\n';
  for (int i = 0; i < list.Count(); ++i)
    std::cout << "  frame " << i << ": " << Describe(list.Frame(i)) << '\n';
  return 0;
}

int Dispatch(const std::vector<std::string>& args) {
  if (args.empty()) throw UsageFailure{"image wants OUT.orl and FRAME.png, or --extract"};
  if (args[0] == "--help" || args[0] == "-h") {
    std::cout << ImageUsage();
    return 0;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (args[0] == "--extract") return Extract(rest);
  if (args[0] == "--info") return Info(rest);
  return Write(args);
}

}  // namespace

std::string ImageUsage() {
  return "  vesk-tool image OUT.orl FRAME.png [FRAME.png ...] [--layer FILE.png[:OPACITY]]\n"
         "          [--delay MS[,MS...]] [--compress zlib|none|jpeg] [--quality Q] [--seed N]\n"
         "          [--colorkey RRGGBB] [--background RRGGBB] [--blocks WxH|none]\n"
         "          [--bits 16|24|32] [--no-alpha] [--opaque-bottom]\n"
         "      a layered image: one frame per FRAME.png, --layer adds a layer to the frame before "
         "it\n"
         "  vesk-tool image --extract FILE.orl DIR [--seed N]\n"
         "      every composed frame as DIR/NAME-000.png ...\n"
         "  vesk-tool image --info FILE.orl [--seed N]\n"
         "      the header and the frames\n";
}

int RunImageCommand(const std::vector<std::string>& args) {
  try {
    return Dispatch(args);
  } catch (const UsageFailure& u) {
    std::cerr << "vesk-tool: " << u.what << "\nusage:\n" << ImageUsage();
    return 2;
  } catch (const Failure& f) {
    std::cerr << "vesk-tool: " << f.file << ": " << f.what << '\n';
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "vesk-tool: " << e.what() << '\n';
    return 1;
  }
}

storage::ArchiveWritePolicy ArchiveWritePolicyForImages() {
  storage::ArchiveWritePolicy policy;
  policy.uncompressed_image_test = [](const std::vector<uint8_t>& file) {
    return graphics::IsPlainOrlo(file);
  };
  return policy;
}

}  // namespace vesk::tool
