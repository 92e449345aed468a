#pragma once
// Films for the component tests: written with the film writer into the fake
// game files of the image fixture, whose scene makes motions with the film
// player.
#include <string>
#include <utility>

#include "anim/film_data.h"
#include "anim/film_file.h"
#include "components/motion_link.h"
#include "image_fixture.h"

namespace vesk::components::test {

inline anim::FrameList FilmList(anim::FrameListData data, int32_t start, int32_t length,
                                int32_t parent = -1) {
  anim::FrameList list;
  list.OwnStart = start;
  list.Length = length;
  list.Parent = parent;
  list.Data = std::move(data);
  return list;
}

inline anim::ImageListData FilmImage(const std::string& source, anim::FilmPoint from,
                                     anim::FilmPoint to) {
  anim::ImageListData image;
  image.Source = source;
  image.Image.StartPos = from;
  image.Image.EndPos = to;
  return image;
}

inline anim::BoxListData FilmBox(anim::FilmPoint pos, anim::FilmPoint size, int32_t color) {
  anim::BoxListData box;
  box.StartPos = box.EndPos = pos;
  box.StartWidth = box.EndWidth = size.x;
  box.StartHeight = box.EndHeight = size.y;
  box.StartColor = box.EndColor = color;
  return box;
}

class FilmScene : public ImageScene {
 protected:
  FilmScene() {
    services_.make_motion = FilmMotionFactory(&services_);
    services_.make_particle_film = FilmParticleFactory(&services_);
  }
  void AddFilm(const std::string& name, const anim::FilmData& film) {
    fake_.files[name] = anim::WriteFilm(film);
  }
};

}  // namespace vesk::components::test
