# cmake -DMANIFEST=... -DSOURCE_DIR=... -DSTAMP=... -P CheckLayers.cmake
# Fails when a library's source includes a header of a library it does not link (see
# CorvisLibraries.cmake). Headers that belong to no library (tests, generated files) are not
# checked.

cmake_minimum_required(VERSION 3.16)

include(${MANIFEST})

# Which library holds each header.
foreach(target ${CORVIS_LAYER_TARGETS})
  foreach(file ${CORVIS_LAYER_FILES_${target}})
    if(file MATCHES "\\.h$")
      string(MAKE_C_IDENTIFIER "${file}" key)
      set(OWNER_${key} ${target})
    endif()
  endforeach()
endforeach()

set(errors "")
foreach(target ${CORVIS_LAYER_TARGETS})
  foreach(file ${CORVIS_LAYER_FILES_${target}})
    file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
      string(MAKE_C_IDENTIFIER "${header}" key)
      set(owner "${OWNER_${key}}")
      if(owner AND NOT owner STREQUAL target AND NOT owner IN_LIST CORVIS_LAYER_ALLOWED_${target})
        string(APPEND errors "  ${file} (${target}) includes ${header} (${owner}), which ${target} does not link\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(errors)
  message(FATAL_ERROR "A library includes a library above it or beside it; dependencies run one way:\n${errors}"
                      "Move what the lower library needs down, or hand it over by a signal or a callback.")
endif()
file(WRITE ${STAMP} "")
