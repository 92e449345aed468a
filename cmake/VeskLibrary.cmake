# vesk_library(NAME SOURCES... [DEPS ...]) declares one static library per
# subsystem folder; its headers are included as "<folder>/<file>.h" from src/.
function(vesk_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(vesk_${name} STATIC ${ARG_SOURCES})
  target_include_directories(vesk_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(vesk_${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()
