#!/usr/bin/env bash
# Fails when engine code outside src/platform and src/app includes SDL,
# FreeType, fontconfig, FFmpeg, FluidSynth, curl, iconv or a POSIX header.
src=${1:?source folder}
pattern='#include[[:space:]]*[<"](SDL|ft2build|freetype|fontconfig|libav|fluidsynth|curl|iconv|unistd|fcntl|dlfcn|pthread|spawn|dirent|sys/)'
hits=$(grep -rnE "$pattern" "$src" --include='*.h' --include='*.cpp' \
       | grep -vE "^$src/(platform|app)/" || true)
if [[ -n "$hits" ]]; then
  echo "OS headers outside the platform layer:"
  echo "$hits"
  exit 1
fi
echo "layering ok"
