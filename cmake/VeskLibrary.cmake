# vesk_library(NAME SOURCES... [DEPS ...]) declares one static library per
# subsystem folder; its headers are included as "<folder>/<file>.h" from src/.
function(vesk_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(vesk_${name} STATIC ${ARG_SOURCES})
  target_include_directories(vesk_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(vesk_${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# vesk_embed_resource(TARGET NAME TYPE FILE) links FILE into TARGET as the
# resource NAME of type TYPE (found by storage's FindEmbeddedResource).
function(vesk_embed_resource target name type file)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/resource_${name}_${type}.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DOUTPUT=${out} -DNAME=${name} -DTYPE=${type}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedResource.cmake
    DEPENDS ${file} ${PROJECT_SOURCE_DIR}/cmake/EmbedResource.cmake
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
