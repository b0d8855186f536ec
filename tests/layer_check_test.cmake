# The layer check on a tiny project of its own: an include against the layer order, the panel's
# operations below the shell, and a part a folder could change without owning it each stop the
# configure, naming the file; a project that keeps the rules configures.
# cmake -DLAYER_CHECK=<cmake/LayerCheck.cmake> -DWORK=<empty folder> -P layer_check_test.cmake

function(configure_case name link_source expected)
  set(root ${WORK}/${name})
  file(REMOVE_RECURSE ${root})
  file(WRITE ${root}/link/reader.cpp "${link_source}")
  file(WRITE ${root}/app/station.h "struct Station {};\n")
  file(WRITE ${root}/CMakeLists.txt "cmake_minimum_required(VERSION 3.25)\nproject(check NONE)\n"
    "include(${LAYER_CHECK})\n"
    "zan_check_layer(link ALLOWED link platform \${ZAN_PANEL_FREE} OWNS LinkState)\n"
    "zan_check_layer(app ALLOWED link app OWNS AppState)\n")
  execute_process(COMMAND ${CMAKE_COMMAND} -S ${root} -B ${root}/build
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(expected STREQUAL "configures")
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "${name}: the configure stopped:\n${output}")
    endif()
  elseif(result EQUAL 0 OR NOT output MATCHES "${expected}")
    message(FATAL_ERROR "${name}: expected the configure to stop with \"${expected}\":\n${output}")
  endif()
endfunction()

configure_case(include_up "#include \"app/station.h\"\n"
  "link/reader.cpp includes app/station.h, against the layer order")
configure_case(foreign_part "void Zero(SetupState& setup);\n"
  "link/reader.cpp takes SetupState& and could change it")
configure_case(panel_below_the_shell "#include \"platform/panel.h\"\n"
  "link/reader.cpp includes platform/panel.h: the panel is the")
configure_case(own_part_and_views
  "void Read(LinkState& link, const SetupState& setup);\n" configures)
