#pragma once
// Registers every component kind built so far with the scene root's
// factory. The player calls it once at start-up; tests that need the kinds
// call it too.
namespace vesk::components {

void RegisterComponentKinds();

}  // namespace vesk::components
