#pragma once
// A film with one list of every kind, every field set to a value of its
// own, for the reader, writer and tool tests.
#include "anim/film_data.h"

namespace vesk::anim::testing {

inline ClipBlock SampleClip(int32_t base) {
  return {{base, base + 1}, {base + 2, base + 3}, {base + 4, base + 5}, {base + 6, base + 7}, 1, 2};
}

inline ImagePart SampleImagePart(int32_t base) {
  ImagePart p;
  p.Anchor = {base, base + 1};
  p.StartPos = {base + 2, -3};
  p.EndPos = {base + 4, 5};
  p.EaseX = 1;
  p.EaseY = 2;
  p.StartAngle_deg = -90;
  p.EndAngle_deg = 450;
  p.StartZoomX = 0.5;
  p.EndZoomX = 1.25;
  p.EaseZoomX = 1;
  p.StartAlpha = -128;
  p.EndAlpha = 200;
  p.EaseAngle = 2;
  p.Clip = SampleClip(base + 10);
  p.StartZoomY = 2.5;
  p.EndZoomY = 0.125;
  p.EaseZoomY = 2;
  return p;
}

inline FrameList SampleCommon(int32_t parent, int32_t base, FrameListData data) {
  FrameList list;
  list.Parent = parent;
  list.Length = 20 + base;
  list.Reserved = 0xDEADBEEF;
  list.OwnStart = 2 * base;
  list.Cycle = 4 + base;
  list.Priority = -base;
  list.FlipH = 1;
  list.FlipV = 0;
  list.BackBase = 1;
  list.Data = std::move(data);
  return list;
}

inline FilmData SampleFilm() {
  FilmData film;
  film.Size = {640, 480};
  film.BackColor = 0x123456;
  film.Relative = 1;
  film.DesignOrigin = {-7, 9};
  film.LoopStart = 30;

  ImageListData image{SampleImagePart(100), "chara\\girl.orl"};
  LabelListData label;
  label.Image = SampleImagePart(200);
  label.Text = "\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD";  // こんにちは
  label.Antialias = 1;
  label.FontName = "\x82\x6C\x82\x72 Gothic";
  label.FontHeight = 24;
  label.LineSpace = 3;
  label.FontStyle = 5;
  label.FontColor = 0x00FF8000;
  label.HAlign = 2;
  BoxListData box;
  box.StartPos = {1, 2};
  box.EndPos = {3, 4};
  box.EaseX = 2;
  box.EaseY = 1;
  box.StartAlpha = 10;
  box.EndAlpha = 250;
  box.StartWidth = 5;
  box.StartHeight = 6;
  box.EndWidth = 7;
  box.EndHeight = 8;
  box.StartColor = 0x010203;
  box.EndColor = 0x040506;
  box.StartBorderWidth = 1;
  box.EndBorderWidth = 3;
  box.StartBorderColor = 0x0A0B0C;
  box.EndBorderColor = 0x0D0E0F;
  box.Clip = SampleClip(300);
  WipeListData wipe{17, "rule\\spiral.orl", 40, -2, 1};
  SoundListData sound{"se\\bell.wav", 800, 200, -500, 700, 1, 2};
  TileListData tile;
  tile.Image = SampleImagePart(400);
  tile.Source = "bg\\sky.orl";
  tile.StartWidth = 11;
  tile.StartHeight = 12;
  tile.EndWidth = 13;
  tile.EndHeight = 14;
  tile.StartScrollX = 15;
  tile.StartScrollY = 16;
  tile.EndScrollX = -17;
  tile.EndScrollY = -18;
  tile.EaseScrollX = 1;
  tile.EaseScrollY = 2;
  tile.DistanceX = 19;
  tile.DistanceY = 20;
  tile.Clip = SampleClip(500);
  ParticleListData particle;
  particle.Source = "fx\\snow.orl";
  particle.PartMotion = 1;
  particle.WarmUp_ms = 1500;
  particle.StartIntervalBase = 1;
  particle.EndIntervalBase = 2;
  particle.StartIntervalRange = 3;
  particle.EndIntervalRange = 4;
  particle.StartXBase = 5;
  particle.StartYBase = 6;
  particle.EndXBase = 7;
  particle.EndYBase = 8;
  particle.StartXRange = 9;
  particle.StartYRange = 10;
  particle.EndXRange = 11;
  particle.EndYRange = 12;
  particle.EaseXBase = 1;
  particle.EaseYBase = 2;
  particle.StartParam1 = 0.1;
  particle.StartParam2 = -0.2;
  particle.StartParam3 = 3e10;
  particle.EndParam1 = 1.0 / 3;
  particle.EndParam2 = 5;
  particle.EndParam3 = -6.5;
  particle.StartPos = {13, 14};
  particle.EndPos = {15, 16};
  particle.EaseX = 2;
  particle.EaseY = 1;
  particle.StartWidth = 17;
  particle.StartHeight = 18;
  particle.EndWidth = 19;
  particle.EndHeight = 20;
  particle.Clip = SampleClip(600);
  particle.StartAlpha = 30;
  particle.EndAlpha = -40;
  FireListData fire;
  fire.StartPos = {1, 1};
  fire.EndPos = {2, 2};
  fire.EaseX = 1;
  fire.EaseY = 1;
  fire.StartWidth = 320;
  fire.StartHeight = 240;
  fire.EndWidth = 160;
  fire.EndHeight = 120;
  fire.Clip = SampleClip(700);
  fire.StartZoomX = 1.5;
  fire.StartZoomY = 2;
  fire.EndZoomX = 0.75;
  fire.EndZoomY = 1;
  fire.EaseZoomX = 2;
  fire.EaseZoomY = 1;
  fire.Power = 90;

  film.Lists = {SampleCommon(-1, 1, image),    SampleCommon(0, 2, label),  SampleCommon(-1, 3, box),
                SampleCommon(-1, 4, wipe),     SampleCommon(-1, 5, sound), SampleCommon(2, 6, tile),
                SampleCommon(-1, 7, particle), SampleCommon(6, 8, fire)};
  return film;
}

}  // namespace vesk::anim::testing
