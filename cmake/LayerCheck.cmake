# The layers, lowest first: protocol, platform, then link, setup, measure and record, then
# export, review and app.
# A folder includes from its own layer and the ones below only; an include against that order
# stops the configure, naming the file and the include. Editing a checked file configures again.
#
# The station's parts are handed to the routines that need them. A subsystem's folder changes
# its own part only: a routine there may take another part by const reference, to read it, but
# a reference that could change it stops the configure. The application shell hands every part
# to its owner's routines, so it takes any.
#
# zan_check_layer(FOLDER ALLOWED folder... [EXCEPT header...] [FORBIDS header...] [OWNS part...])
# FORBIDS names headers of allowed layers the folder must still not include (the panel's
# operations below the shell). The folder's files are listed here, not in any target: every
# header counts, built or not.
set(ZAN_PARTS AppState LinkState MeasureState WindowResult SetupState SetupParameters RecordState
  Station)
set(ZAN_PANEL_FREE FORBIDS platform/engine.h platform/panel.h)

function(zan_check_layer folder)
  cmake_parse_arguments(PARSE_ARGV 1 LAYER "" "" "ALLOWED;EXCEPT;FORBIDS;OWNS")
  string(REPLACE ";" "|" parts "${ZAN_PARTS}")
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
      if(header IN_LIST LAYER_FORBIDS)
        message(FATAL_ERROR "${name} includes ${header}: the panel is the application shell's; "
          "${folder}/ returns what it should show")
      endif()
    endforeach()
    if(LAYER_OWNS)
      file(STRINGS ${source} takes REGEX "(${parts}) *&")
      foreach(line ${takes})
        string(REGEX MATCHALL "(const )?(${parts}) *&" references "${line}")
        foreach(reference ${references})
          if(reference MATCHES "^const ")
            continue()
          endif()
          string(REGEX REPLACE " *&$" "" part "${reference}")
          if(NOT part IN_LIST LAYER_OWNS)
            message(FATAL_ERROR "${name} takes ${part}& and could change it: ${folder}/ changes "
              "only its own part; it reads the others through const ${part}&")
          endif()
        endforeach()
      endforeach()
    endif()
  endforeach()
endfunction()

# zan_check_circles(FOLDER...): no unit (a header and its source, one name) reaches itself through
# the includes of the named folders. A circle stops the configure, naming the units on it. Units
# that only lead into a circle, or only come out of one, are peeled off first: what is left is
# the circle.
function(zan_check_circles)
  set(units "")
  foreach(folder ${ARGN})
    file(GLOB sources ${CMAKE_SOURCE_DIR}/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/${folder}/*.h)
    foreach(source ${sources})
      file(RELATIVE_PATH name ${CMAKE_SOURCE_DIR} ${source})
      string(REGEX REPLACE "\\.(cpp|h)$" "" unit "${name}")
      list(APPEND units ${unit})
      file(STRINGS ${source} includes REGEX "^#include \"[a-z_/]+\\.h\"")
      foreach(line ${includes})
        string(REGEX REPLACE "^#include \"([^\"]*)\\.h\".*" "\\1" target "${line}")
        if(NOT target STREQUAL unit)
          string(MAKE_C_IDENTIFIER "${unit}" key)
          list(APPEND edges_${key} ${target})
        endif()
      endforeach()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES units)
  set(left ${units})
  set(changed TRUE)
  while(changed)
    set(changed FALSE)
    # Who is pointed at from the units left, and who points at a unit left.
    set(pointedAt "")
    set(pointing "")
    foreach(unit ${left})
      string(MAKE_C_IDENTIFIER "${unit}" key)
      foreach(target ${edges_${key}})
        if(target IN_LIST left)
          list(APPEND pointedAt ${target})
          list(APPEND pointing ${unit})
        endif()
      endforeach()
    endforeach()
    set(kept "")
    foreach(unit ${left})
      if(unit IN_LIST pointedAt AND unit IN_LIST pointing)
        list(APPEND kept ${unit})
      else()
        set(changed TRUE)
      endif()
    endforeach()
    set(left ${kept})
  endwhile()
  if(left)
    string(REPLACE ";" ", " circle "${left}")
    message(FATAL_ERROR "The includes run in a circle through ${circle}: each of them reaches "
      "itself; one must take what it needs as a value from the one below")
  endif()
endfunction()
