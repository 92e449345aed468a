#pragma once
// The install set "install.dat", written by the game installer next to the
// installed files. The runtime reads three things from it: which disk of a
// multi-disk set this installation came from, the title, and whether every
// data file was copied to the hard disk (so no disk needs to be asked for).
// The other fields belong to the installer; the reader steps over them.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vesk::storage {

class EInstallSet : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TInstallSet {
  int32_t version = 0;                   // from the "isNNN" magic; 0 for files without it
  int32_t disk_index = 0;                // 0 for the first disk
  std::string title;                     // CP932
  bool complete_install = false;         // stored from version 103
  std::vector<std::string> extra_files;  // stored from version 102; empty names dropped
};

// Throws EInstallSet when the file is cut short or holds a count that the
// remaining bytes cannot hold.
TInstallSet ReadInstallSet(const std::vector<uint8_t>& bytes);

// Writes `set` in the layout of `version` (0..999; 0 writes no magic unless
// the disk index would look like one), the installer-only fields empty or
// zero. Throws std::invalid_argument for a version the magic cannot carry.
std::vector<uint8_t> WriteInstallSet(const TInstallSet& set, int version);

}  // namespace vesk::storage
