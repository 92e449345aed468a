# Media files for the decoding tests and benchmarks, made at build time by
# the ffmpeg program from its generated sources (tones, colours, test
# pictures), so no sample files are kept in the repository.
#
#   vesk_media_fixture(OUTPUT ffmpeg-arguments...)
#     makes OUTPUT with `ffmpeg ARGUMENTS OUTPUT` (bit-exact, quiet).
#   VESK_VORBIS_ENCODER   the arguments that choose a Vorbis encoder
#   VESK_VORBIS_STEREO_ONLY  whether that encoder takes only two channels
#   VESK_HAVE_THEORA      whether the Theora encoder is there
# Included by each folder that makes media (variables are per folder).
find_program(VESK_FFMPEG ffmpeg)
if(NOT VESK_FFMPEG)
  message(FATAL_ERROR "The ffmpeg program is missing: the media test fixtures are made with it. "
                      "Install it with: bash scripts/install-deps.sh (package ffmpeg).")
endif()

execute_process(COMMAND ${VESK_FFMPEG} -hide_banner -encoders
                OUTPUT_VARIABLE _vesk_ffmpeg_encoders ERROR_QUIET)
# Lines read " A....D libvorbis   libvorbis (codec vorbis)".
if(_vesk_ffmpeg_encoders MATCHES "[ \n][A-Z.]+ libvorbis ")
  set(VESK_VORBIS_ENCODER -c:a libvorbis -q:a 4)
  set(VESK_VORBIS_STEREO_ONLY OFF)
else()
  # FFmpeg's own Vorbis encoder is marked experimental, and takes stereo
  # only.
  set(VESK_VORBIS_ENCODER -c:a vorbis -strict -2)
  set(VESK_VORBIS_STEREO_ONLY ON)
endif()
if(_vesk_ffmpeg_encoders MATCHES "[ \n][A-Z.]+ libtheora ")
  set(VESK_HAVE_THEORA ON)
else()
  set(VESK_HAVE_THEORA OFF)
endif()

function(vesk_media_fixture output)
  get_filename_component(dir ${output} DIRECTORY)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${VESK_FFMPEG} -nostdin -hide_banner -loglevel error -y ${ARGN}
            -fflags +bitexact -flags +bitexact ${output}
    DEPENDS ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    COMMENT "Making media fixture ${output}"
    VERBATIM)
endfunction()
