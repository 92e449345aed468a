#!/usr/bin/env bash
# Fails when engine code outside src/platform and src/app includes SDL,
# FreeType, fontconfig, FFmpeg, FluidSynth, curl, iconv or a POSIX header;
# when anything outside src/platform includes SDL; and when src/expr or
# src/components includes the script library (they sit below it or beside
# it: what both need lives in src/lang or src/expr).
src=${1:?source folder}
status=0
report() {
  if [[ -n "$2" ]]; then
    echo "$1"
    echo "$2"
    status=1
  fi
}
files() { grep -rnE "$1" "$src" --include='*.h' --include='*.cpp' || true; }

pattern='#include[[:space:]]*[<"](SDL|ft2build|freetype|fontconfig|libav|fluidsynth|curl|iconv|unistd|fcntl|dlfcn|pthread|spawn|dirent|sys/)'
report "OS headers outside the platform layer:" "$(files "$pattern" | grep -vE "^$src/(platform|app)/")"
report "SDL outside src/platform:" "$(files '#include[[:space:]]*[<"]SDL' | grep -vE "^$src/platform/")"
report "the script library included from below it:" \
  "$(files '#include[[:space:]]*[<"]script/' | grep -E "^$src/(expr|components)/")"
[[ $status -eq 0 ]] && echo "layering ok"
exit $status
