#pragma once
// Fills a scene's kind registry with every component kind built so far.
// The factories keep `services` and hand it to each object they make, so
// the services must outlive every scene made with the registry. The player
// calls it once at start-up; tests that need the kinds call it too.
namespace vesk::scene {
class KindRegistry;
}

namespace vesk::components {

struct ComponentServices;

void RegisterComponentKinds(scene::KindRegistry& registry, ComponentServices& services);

}  // namespace vesk::components
