# The layers, lowest first: protocol, platform, then link, measure, setup and record, then app.
# A folder includes from its own layer and the ones below only; an include against that order
# stops the configure, naming the file and the include. Editing a checked file configures again.
#
# Each subsystem owns its part of the station's state: only its own folder takes the part to
# change it (PartOf<LinkState>() in link/); the others read it (ViewOf<...>()). A folder that
# takes a part it does not own stops the configure too; the frame path, which hands every frame's
# events to their owners' routines, is the one file let through.
#
# zan_check_layer(FOLDER ALLOWED folder... [EXCEPT header...] [OWNS part...])
# The folder's files are listed here, not in any target: every header counts, built or not.
function(zan_check_layer folder)
  cmake_parse_arguments(PARSE_ARGV 1 LAYER "" "" "ALLOWED;EXCEPT;OWNS")
  file(GLOB sources ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  foreach(source ${sources})
    set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    file(RELATIVE_PATH name ${CMAKE_SOURCE_DIR} ${source})
    file(STRINGS ${source} includes REGEX "^#include \"[a-z_]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"([a-z_]+)/([^\"]*)\".*" "\\1" layer "${line}")
      string(REGEX REPLACE "^#include \"([^\"]*)\".*" "\\1" header "${line}")
      if(NOT layer IN_LIST LAYER_ALLOWED AND NOT header IN_LIST LAYER_EXCEPT)
        string(REPLACE ";" "/, " allowed "${LAYER_ALLOWED}")
        message(FATAL_ERROR "${name} includes ${header}, against the layer order: ${folder}/ "
          "includes from ${allowed}/ only")
      endif()
    endforeach()
    if(LAYER_OWNS AND NOT name STREQUAL "link/frame_reader.cpp")
      file(STRINGS ${source} takes REGEX "PartOf<[A-Za-z]+>")
      foreach(line ${takes})
        string(REGEX MATCHALL "PartOf<[A-Za-z]+>" parts "${line}")
        foreach(part ${parts})
          string(REGEX REPLACE "PartOf<([A-Za-z]+)>" "\\1" part "${part}")
          if(NOT part IN_LIST LAYER_OWNS)
            message(FATAL_ERROR "${name} takes ${part} to change it: ${folder}/ changes only "
              "its own part; it reads the others through ViewOf<${part}>()")
          endif()
        endforeach()
      endforeach()
    endif()
  endforeach()
endfunction()
