#include "media/cd_tracks.h"

#include <cstdio>

namespace vesk::media {

std::optional<int> CdTrackNumber(const std::string& name) {
  if (name.size() <= 3) return std::nullopt;
  size_t i = 3;
  const bool negative = name[i] == '-';
  if (name[i] == '-' || name[i] == '+') ++i;
  if (i == name.size() || name.size() - i > 9) return std::nullopt;
  int value = 0;
  for (; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return std::nullopt;
    value = value * 10 + (name[i] - '0');
  }
  return negative ? -value : value;
}

namespace {

std::string JoinFolder(const std::string& folder, const std::string& file) {
  if (folder.empty()) return file;
  const char last = folder.back();
  return last == '/' || last == '\\' ? folder + file : folder + "/" + file;
}

}  // namespace

std::vector<std::string> CdTrackCandidates(int track, const MediaServices& services) {
  std::vector<std::string> files;
  if (track <= 0) return files;
  char two_digits[16], plain[16];
  std::snprintf(two_digits, sizeof two_digits, "track%02d", track);
  std::snprintf(plain, sizeof plain, "track%d", track);
  std::vector<std::string> stems{two_digits};
  if (stems[0] != plain) stems.emplace_back(plain);
  for (const auto& stem : stems)
    for (const char* ext : {".ogg", ".wav", ".wma"}) files.push_back(stem + ext);

  std::vector<std::string> names;
  for (const auto& f : files) names.push_back("cd\\" + f);
  std::vector<std::string> folders;
  if (services.setting)
    if (auto drive = services.setting("CDDrive"); drive && !drive->empty())
      folders.push_back(*drive);
  if (services.cd_roots)
    for (auto& root : services.cd_roots()) folders.push_back(std::move(root));
  for (const auto& folder : folders)
    for (const auto& f : files) names.push_back(JoinFolder(folder, f));
  return names;
}

std::optional<CdTrackFile> FindCdTrack(int track, const MediaServices& services) {
  if (!services.read_file) return std::nullopt;
  for (auto& name : CdTrackCandidates(track, services))
    if (platform::MediaBytes bytes = services.read_file(name); bytes && !bytes->empty())
      return CdTrackFile{std::move(name), std::move(bytes)};
  return std::nullopt;
}

}  // namespace vesk::media
