#!/usr/bin/env bash
# Makes one of the demo's sound or film files with ffmpeg's signal sources
# (seeded, so every build makes the same files):
#   make_media.sh hill.ogg|click.wav|ending.wmv OUT_FILE
set -euo pipefail
what=$1
out=$2
run=(ffmpeg -nostdin -hide_banner -loglevel error -y)
# Before the output: the same bytes every time (no random stream serials).
exact=(-fflags +bitexact -flags +bitexact)
case "$what" in
  hill.ogg)
    # A slow pad of fifths that breathes, under a faint wind.
    "${run[@]}" \
      -f lavfi -i "aevalsrc=exprs='(0.10*sin(2*PI*220*t)+0.07*sin(2*PI*329.63*t)+0.05*sin(2*PI*440*t)+0.04*sin(2*PI*164.81*t))*(0.65+0.35*sin(2*PI*t/6))':s=44100:d=12" \
      -f lavfi -i "anoisesrc=color=pink:amplitude=0.04:d=12:r=44100:seed=7" \
      -filter_complex "[1]lowpass=f=500[w];[0][w]amix=inputs=2:normalize=0,afade=t=in:d=1,afade=t=out:st=11:d=1" \
      -ac 2 -c:a libvorbis -q:a 3 "${exact[@]}" "$out"
    ;;
  click.wav)
    "${run[@]}" \
      -f lavfi -i "aevalsrc=exprs='0.5*sin(2*PI*1320*t)*exp(-40*t)+0.3*sin(2*PI*660*t)*exp(-25*t)':s=22050:d=0.15" \
      -ac 1 -c:a pcm_s16le "${exact[@]}" "$out"
    ;;
  ending.wmv)
    # Soft moving colours with two bells, fading in and out.
    "${run[@]}" \
      -f lavfi -i "gradients=s=320x240:r=15:d=6:c0=0x201040:c1=0xF0B8CB:c2=0x304080:speed=0.03:seed=7" \
      -f lavfi -i "aevalsrc=exprs='0.2*sin(2*PI*523.25*t)*exp(-1.5*mod(t\,1.5))+0.15*sin(2*PI*659.25*t)*exp(-1.5*mod(t+0.75\,1.5))':s=44100:d=6" \
      -vf "fade=t=in:d=1,fade=t=out:st=5:d=1" -c:v wmv2 -b:v 600k -c:a wmav2 -b:a 64k -ac 2 \
      -shortest "${exact[@]}" "$out"
    ;;
  *)
    echo "make_media.sh: unknown file $what" >&2
    exit 2
    ;;
esac
