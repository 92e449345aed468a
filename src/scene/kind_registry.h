#pragma once
// KindRegistry: the object kinds one scene root can make, by `LT_` id.
// Each scene root gets its registry from whoever builds it (the program
// fills one with the component kinds, a test with its own), so two scenes
// in one process may know different kinds. A new registry knows the
// cabinet, which belongs to the scene itself.
#include <functional>
#include <map>
#include <memory>

namespace vesk::scene {

class TVeskObject;
class TVeskBaseList;

class KindRegistry {
 public:
  using Factory = std::function<std::unique_ptr<TVeskObject>(TVeskBaseList& root)>;
  KindRegistry();
  // The high bit of the id is ignored; a later factory replaces an earlier one.
  void Register(int id, Factory factory);
  // The factory of a kind, or null when the kind makes nothing here.
  const Factory* Find(int id) const;

 private:
  std::map<int, Factory> kinds_;
};

}  // namespace vesk::scene
