#pragma once
// The film file: "VeskCinema" or "VeskMotion", three version digits, the
// header and the frame lists, each a kind byte and its record. Little-endian
// throughout, strings as an int32 byte count and the bytes, reals as
// doubles. Files up to version 106 count frames of 1/30 s and files up to
// 107 store sound volumes in hundredths of a decibel; the reader converts
// both to the current meaning and the writer converts them back.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "anim/film_data.h"
#include "core/vesk_error.h"

namespace vesk::storage {
class TVrFileManager;
}

namespace vesk::anim {

// A damaged film: cut short, a count its bytes cannot hold, a kind with no
// list, a version that is not three digits, a parent chain that loops. The
// message names the file, the list and what was wrong.
class EFilmFile : public EVeskError {
 public:
  using EVeskError::EVeskError;
};

// Reads a whole film; `name` is the file's name, for the errors. Answers
// nothing (an empty film, no error) when the file starts with neither
// magic; throws EFilmFile when it is damaged. Every stored parent index
// outside the lists reads as -1. Bytes after the last list are ignored.
std::optional<FilmData> ReadFilm(std::span<const uint8_t> bytes, std::string_view name);
// Reads `name` through the virtual file manager, whose missing-file error
// reaches the caller unchanged.
std::optional<FilmData> ReadFilmFile(storage::TVrFileManager& files, const std::string& name);

// Writes `film` in the layout of its Version (0..999; kFilmVersion for new
// files): fields that version does not hold are left out, and old versions
// get their frame counts halved and their sound volumes converted back.
// A current-version file read and written again gives the same bytes
// (apart from a kind byte's ignored bit 7 and parent indexes outside the
// lists, which are written as -1).
std::vector<uint8_t> WriteFilm(const FilmData& film);

// The kind's word, "image" .. "fire"; "?" for an id without a list.
const char* FrameListKindName(FrameListKind kind);

}  // namespace vesk::anim
