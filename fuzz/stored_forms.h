#pragma once
// What the saved-game fuzz entries and their seed writer share: a scene
// root with every registered component kind and a picture cache over a few
// fixed pictures and a map file; pages for the call manager in a memory
// archive; and the rule that the first input byte picks the save version.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "components/component_services.h"
#include "components/kinds.h"
#include "components/orlo_collection.h"
#include "core/byte_reader.h"
#include "expr/param_collection.h"
#include "graphics/dibsfc.h"
#include "scene/baselist.h"
#include "storage/vrfiles.h"

namespace vesk::fuzz {

// Saved games carry versions 107 to 129; the first input byte picks one
// (its low seven bits), the high bit is the entry's own switch.
inline constexpr int32_t kOldestSave = 107, kNewestSave = 129;
inline int32_t SaveVersion(uint8_t first) {
  return kOldestSave + (first & 0x7F) % (kNewestSave - kOldestSave + 1);
}
inline uint8_t VersionByte(int32_t version, bool flag = false) {
  return static_cast<uint8_t>((version - kOldestSave) | (flag ? 0x80 : 0));
}

// A map of two areas, a rectangle and a triangle, over a 4 x 4 picture.
inline std::vector<uint8_t> MapFileBytes() {
  ByteWriter map;
  map.I32(2);
  map.Str("all");
  map.U8(0);
  for (int32_t v : {0, 0, 3, 3}) map.I32(v);
  map.Str("corner");
  map.U8(2);
  map.I32(3);
  for (int32_t v : {0, 0, 3, 0, 0, 3}) map.I32(v);
  return map.bytes();
}

// Pictures by name: "n.orl" one frame, "three.orl" three frames of
// different delays, "k.orl" with a mask; "m.map" the map above. Anything
// else is missing.
inline components::PictureServices FixedPictures() {
  components::PictureServices s;
  s.file_available = [](const std::string& name) {
    return name == "n.orl" || name == "three.orl" || name == "k.orl" || name == "m.map";
  };
  s.read_file = [](const std::string& name) -> std::optional<std::vector<uint8_t>> {
    if (name == "m.map") return MapFileBytes();
    if (name == "n.orl" || name == "three.orl" || name == "k.orl")
      return std::vector<uint8_t>(name.begin(), name.end());
    return std::nullopt;
  };
  s.decode = [](const std::string&, std::span<const uint8_t> bytes, int bit_count, bool want_masks,
                bool) {
    const std::string name(bytes.begin(), bytes.end());
    const int frames = name == "three.orl" ? 3 : 1;
    std::vector<components::DecodedFrame> out;
    for (int i = 0; i < frames; ++i) {
      components::DecodedFrame d;
      d.surface = std::make_unique<graphics::TDIBX>(4, 4, bit_count);
      d.surface->Fill(static_cast<uint32_t>(0x102030 * (i + 1)));
      if (name == "k.orl" || want_masks) {
        d.mask = std::make_unique<graphics::TDIBX>(4, 4, 8);
        d.mask->Fill(0x80);
      }
      d.delay_ms = 10 * (i + 1);
      out.push_back(std::move(d));
    }
    return out;
  };
  return s;
}

// A scene root wired as the player wires it, minus the screen: no base
// surfaces, so a stored scene of any size costs nothing to make.
struct SceneRig {
  SceneRig() : pictures(FixedPictures()) {
    services.pictures = &pictures;
    services.variables = &variables;
    components::RegisterComponentKinds(*kinds, services);
  }
  scene::SceneEnvironment Env() {
    scene::SceneEnvironment env;
    env.kinds = kinds;
    return env;
  }
  components::TOrloCollection pictures;
  expr::TParamCollection variables;
  components::ComponentServices services;
  std::shared_ptr<scene::KindRegistry> kinds = std::make_shared<scene::KindRegistry>();
};

// Pages as bytes in one memory archive, mounted into `files`.
inline void MountPages(storage::TVrFileManager& files,
                       const std::map<std::string, std::vector<uint8_t>>& pages) {
  storage::TVrFileCollection archive;
  for (const auto& [name, bytes] : pages)
    archive.AddEntry(name)->Source->Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  storage::TMemoryStream packed;
  archive.SaveTo(packed);
  files.AddMemoryArchive(std::make_shared<std::vector<uint8_t>>(packed.bytes()), "pages");
}

}  // namespace vesk::fuzz
