#pragma once
// The program's own resources: named blobs linked into the executable (the
// start-up logo archive "MADEWITH"/"DATA", a bundled game "DUMMY"/"BINTYPE").
// Each blob registers itself at start-up; see vesk_embed_resource in
// cmake/VeskLibrary.cmake.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vesk::storage {

// Names and types compare without regard to ASCII case.
std::optional<std::span<const uint8_t>> FindEmbeddedResource(const std::string& name,
                                                             const std::string& type);

// Called by the generated registration code (and by tests).
bool RegisterEmbeddedResource(const char* name, const char* type, const uint8_t* data, size_t size);

}  // namespace vesk::storage
