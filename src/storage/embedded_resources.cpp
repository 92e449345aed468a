#include "storage/embedded_resources.h"

#include <vector>

#include "storage/hash.h"

namespace vesk::storage {
namespace {

struct Blob {
  std::string name, type;
  std::span<const uint8_t> bytes;
};

// Built during static initialisation; a function-local static avoids any
// ordering problem between translation units.
std::vector<Blob>& Registry() {
  static std::vector<Blob> blobs;
  return blobs;
}

}  // namespace

bool RegisterEmbeddedResource(const char* name, const char* type, const uint8_t* data,
                              size_t size) {
  Registry().push_back({name, type, {data, size}});
  return true;
}

std::optional<std::span<const uint8_t>> FindEmbeddedResource(const std::string& name,
                                                             const std::string& type) {
  for (const Blob& b : Registry())
    if (THashCollection::SameName(b.name, name) && THashCollection::SameName(b.type, type))
      return b.bytes;
  return std::nullopt;
}

}  // namespace vesk::storage
