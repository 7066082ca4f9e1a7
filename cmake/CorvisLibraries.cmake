# One library per folder (a widget-free and a widget part where a folder holds both), each linking
# only to the libraries below it. The rule is kept twice:
#
# - by the linker: in the normal build the libraries are shared and linked with --no-undefined, so
#   a library that calls into one it does not link (one above it, or beside it) fails to link;
# - by the layer check: before anything is compiled, every #include "dir/file.h" of a library's
#   sources must name a header of the library itself or of one it links, directly or not. This
#   catches what the linker cannot see (records, inline functions, constants in headers).
#
# The sanitizer and fuzzing builds link the same libraries statically (their runtimes and coverage
# hooks are provided by the executable, which --no-undefined cannot know); the layer check still
# runs there.
#
# corvis_add_library(NAME SOURCES file... [LINKS target...] [EXTERNAL target...]
#                    [UNCHECKED_USES target...])
#   LINKS: our libraries below this one (PUBLIC); EXTERNAL: packages (PUBLIC);
#   UNCHECKED_USES: libraries above this one whose headers and symbols it may still use while a
#   move is under way; their symbols stay unresolved until the program links them. Say why.

if(CORVIS_SANITIZE OR CORVIS_FUZZ)
  set(CORVIS_LIBRARY_TYPE STATIC)
else()
  set(CORVIS_LIBRARY_TYPE SHARED)
endif()

function(corvis_add_library name)
  cmake_parse_arguments(L "" "" "SOURCES;LINKS;EXTERNAL;UNCHECKED_USES" ${ARGN})
  add_library(${name} ${CORVIS_LIBRARY_TYPE} ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${L_LINKS} ${L_EXTERNAL})
  if(CORVIS_LIBRARY_TYPE STREQUAL "SHARED")
    if(L_UNCHECKED_USES)
      # The symbols it takes from above are found in the program's libraries: keep every one of
      # them needed, also those the program itself does not call.
      target_link_options(${name} INTERFACE -Wl,--no-as-needed)
    else()
      target_link_options(${name} PRIVATE -Wl,--no-undefined)
    endif()
  endif()

  set(files "")
  foreach(source ${L_SOURCES})
    get_filename_component(path ${source} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    file(RELATIVE_PATH path ${CMAKE_SOURCE_DIR} ${path})
    list(APPEND files ${path})
  endforeach()
  set_property(GLOBAL APPEND PROPERTY CORVIS_LAYER_TARGETS ${name})
  set_property(GLOBAL PROPERTY CORVIS_LAYER_FILES_${name} "${files}")
  set_property(GLOBAL PROPERTY CORVIS_LAYER_LINKS_${name} "${L_LINKS}")
  set_property(GLOBAL PROPERTY CORVIS_LAYER_UNCHECKED_${name} "${L_UNCHECKED_USES}")
endfunction()

# The libraries `name` reaches through LINKS, directly or not.
function(corvis_layer_closure name out)
  set(seen "")
  set(todo ${name})
  while(todo)
    list(POP_FRONT todo current)
    get_property(links GLOBAL PROPERTY CORVIS_LAYER_LINKS_${current})
    foreach(link ${links})
      if(NOT link IN_LIST seen)
        list(APPEND seen ${link})
        list(APPEND todo ${link})
      endif()
    endforeach()
  endwhile()
  set(${out} "${seen}" PARENT_SCOPE)
endfunction()

# Called once every library is defined: writes what each library holds and may use, and runs the
# layer check before any library is compiled (again whenever a source changes).
function(corvis_check_layers)
  get_property(targets GLOBAL PROPERTY CORVIS_LAYER_TARGETS)
  set(manifest "set(CORVIS_LAYER_TARGETS \"${targets}\")\n")
  set(all_files "")
  foreach(target ${targets})
    get_property(files GLOBAL PROPERTY CORVIS_LAYER_FILES_${target})
    get_property(unchecked GLOBAL PROPERTY CORVIS_LAYER_UNCHECKED_${target})
    corvis_layer_closure(${target} allowed)
    string(APPEND manifest "set(CORVIS_LAYER_FILES_${target} \"${files}\")\n")
    string(APPEND manifest "set(CORVIS_LAYER_ALLOWED_${target} \"${allowed};${unchecked}\")\n")
    foreach(file ${files})
      list(APPEND all_files ${CMAKE_SOURCE_DIR}/${file})
    endforeach()
  endforeach()
  set(manifest_file ${CMAKE_BINARY_DIR}/corvis_layers.cmake)
  file(WRITE ${manifest_file} "${manifest}")
  set(stamp ${CMAKE_BINARY_DIR}/corvis_layers.stamp)
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${manifest_file} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DSTAMP=${stamp}
            -P ${CMAKE_SOURCE_DIR}/cmake/CheckLayers.cmake
    DEPENDS ${all_files} ${manifest_file} ${CMAKE_SOURCE_DIR}/cmake/CheckLayers.cmake
    COMMENT "Checking that the libraries include only the libraries below them"
    VERBATIM)
  add_custom_target(corvis_layers ALL DEPENDS ${stamp})
  foreach(target ${targets})
    add_dependencies(${target} corvis_layers)
  endforeach()
endfunction()
