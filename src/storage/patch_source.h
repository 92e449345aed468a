#pragma once
// A translation patch: a folder, or an archive file, holding only the game
// files it changes under their game names. The file manager asks it before
// every other source; it is only ever read.
#include <memory>
#include <optional>
#include <string>

#include "storage/loose_files.h"

namespace vesk::storage {

class TVrFile;
class TVrFileCollection;

class TPatchSource {
 public:
  TPatchSource();
  ~TPatchSource();
  TPatchSource(const TPatchSource&) = delete;
  TPatchSource& operator=(const TPatchSource&) = delete;

  // A folder, or an archive in the player's own format. Throws
  // EArchiveError naming the path when it is neither, or when the
  // archive's index is damaged.
  void Open(const std::string& host_path);

  const std::string& HostPath() const { return host_path_; }
  bool IsArchive() const { return archive_ != nullptr; }
  TVrFileCollection* Archive() const { return archive_.get(); }

  // The host path of a file of a patch folder (nullopt for an archive or
  // when the folder does not hold it).
  std::optional<std::string> LoosePath(const std::string& name_cp932);
  // The archive's entry for a name (null for a folder or when it has none).
  // '/' and '\' separate alike; letters match without case.
  const TVrFile* Entry(const std::string& name_cp932) const;
  bool Holds(const std::string& name_cp932);

 private:
  std::string host_path_;
  std::string folder_;  // with a trailing '/', for a patch folder
  std::unique_ptr<TVrFileCollection> archive_;
  LooseFileResolver loose_;
};

}  // namespace vesk::storage
