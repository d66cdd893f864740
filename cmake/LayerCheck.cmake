# The layer rule that only the Qt backend (and code that drives the widgets
# on purpose: the GUI tests and benchmarks) sees Qt, checked by the build
# itself. For each layer a probe that includes <QWidget> is set up with the
# layer's own include folders and links; the test builds the probes and
# passes when every layer's probe fails for want of the header, and the
# backend's, the control, compiles.
set(VIEWER_LAYERS_WITHOUT_QT viewer_core riff_analysis atom_analysis dump_common viewer_shell tarnwick_program quellby_program)

function(viewer_qt_probe target)
  set(probe qt_probe_${target})
  add_library(${probe} OBJECT EXCLUDE_FROM_ALL "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/includes_qwidget.cpp")
  get_target_property(dirs ${target} INCLUDE_DIRECTORIES)
  get_target_property(libs ${target} LINK_LIBRARIES)
  if(dirs)
    target_include_directories(${probe} PRIVATE ${dirs})
  endif()
  if(libs)
    target_link_libraries(${probe} PRIVATE ${libs})
  endif()
endfunction()

foreach(layer IN LISTS VIEWER_LAYERS_WITHOUT_QT ITEMS afx_qt)
  viewer_qt_probe(${layer})
endforeach()

add_test(NAME layers_cannot_include_qt
  COMMAND "${CMAKE_COMMAND}" "-DBUILD_DIR=${PROJECT_BINARY_DIR}" "-DLAYERS=${VIEWER_LAYERS_WITHOUT_QT}"
          -DCONTROL=afx_qt -P "${CMAKE_CURRENT_LIST_DIR}/check_layers.cmake")
# It builds in the build tree: not beside other builds of the same tree.
set_tests_properties(layers_cannot_include_qt PROPERTIES RUN_SERIAL TRUE)
