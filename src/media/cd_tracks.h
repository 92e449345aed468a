#pragma once
// Where the audio file standing in for CD track n is found, in order: the
// game's own files "cd\trackNN" (two digits, then without the leading
// zero) with ".ogg", ".wav" or ".wma"; the same names in the folder the
// settings value "CDDrive" names; the same names on each mounted disc.
#include <optional>
#include <string>
#include <vector>

#include "media/media_services.h"

namespace vesk::media {

// "CD_5" -> 5; nothing when the rest of the name is not a whole number.
std::optional<int> CdTrackNumber(const std::string& name);

// Every name tried for track n, in order.
std::vector<std::string> CdTrackCandidates(int track, const MediaServices& services);

struct CdTrackFile {
  std::string name;
  platform::MediaBytes bytes;
};
// The first candidate that can be read; nothing when none is there.
std::optional<CdTrackFile> FindCdTrack(int track, const MediaServices& services);

}  // namespace vesk::media
