#include "companion/companion.h"

#include "core/messages.h"

namespace vesk::companion {

int veskVersion() {
  return kInterfaceVersion;
}

std::string Companion::CheckVersion(int version) {
  if (version == kInterfaceVersion) return {};
  return MessageCp932(Msg::kCompanionVersionMismatch);
}

void Companion::Init(const InitParams& params) {
  params_ = params;
  initialized_ = true;
}

void Companion::Final() {
  for (auto& t : tables_) t.Clear();
  initialized_ = false;
}

void Companion::SetFactory(Family family, Factory factory) {
  factories_[static_cast<int>(family)] = std::move(factory);
}

bool Companion::HasFactory(Family family) const {
  return static_cast<bool>(factories_[static_cast<int>(family)]);
}

int Companion::Add(Family family, void* stream, const std::string& name) {
  const Factory& make = factories_[static_cast<int>(family)];
  if (!initialized_ || !make) return 0;
  return Table(family).Add(make(stream, name));
}

bool Companion::Del(Family family, int handle) {
  return Table(family).Del(handle);
}

MediaItem* Companion::Get(Family family, int handle) const {
  return Table(family).Get(handle);
}

size_t Companion::Count(Family family) const {
  return Table(family).size();
}

}  // namespace vesk::companion
