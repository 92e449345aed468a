#pragma once
// The files of a game as the text commands read them: a game folder (its
// loose files ahead of the game.dat inside it, as the player mounts them),
// a game archive or a bundled program. Names are game names (CP932, '\'
// separators).
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vesk::storage {
class TVrFileCollection;
}

namespace vesk::tool {

class GameFiles {
 public:
  // Throws std::runtime_error naming the path when it is neither a folder
  // nor a readable archive. With several paths, a file in an earlier one
  // hides the same name in the later ones (a patch ahead of its game).
  explicit GameFiles(const std::vector<std::string>& paths);
  ~GameFiles();
  GameFiles(const GameFiles&) = delete;
  GameFiles& operator=(const GameFiles&) = delete;

  // Every file name, sorted by byte order, each once (letter case ignored
  // as the player ignores it; the first source wins).
  const std::vector<std::string>& Names() const { return names_; }
  // The content of a file; nullopt when it cannot be read.
  std::optional<std::vector<uint8_t>> Read(const std::string& name) const;

 private:
  void AddPath(const std::string& path);
  void AddFolder(const std::string& folder);
  void AddArchive(const std::string& path);
  void Add(const std::string& name, int source, const std::string& host_path);

  struct Location {
    std::string name;  // as found
    int source = 0;    // -1: a loose file
    std::string host_path;
  };
  std::map<std::string, Location> by_key_;  // upper-cased name
  std::vector<std::string> names_;
  std::vector<std::unique_ptr<storage::TVrFileCollection>> archives_;
};

}  // namespace vesk::tool
