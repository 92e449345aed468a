#pragma once
// "vesk-tool film": cinema (.lcm) and motion (.lmt) files written from a
// readable description and printed back in the same form.
#include <string>
#include <vector>

#include "anim/film_data.h"

namespace vesk::tool {

std::string FilmUsage();

// "film write DESC.txt OUT" / "film show FILE": 0 on success, 1 when a file
// cannot be read, is damaged or the description is wrong, 2 for a bad
// command line.
int RunFilmCommand(const std::vector<std::string>& args);

// The description (UTF-8 text) and back; show then write gives the same
// bytes. DescribeFilm prints every field of every list.
anim::FilmData ParseFilmDescription(const std::string& utf8);
std::string DescribeFilm(const anim::FilmData& film);

}  // namespace vesk::tool
