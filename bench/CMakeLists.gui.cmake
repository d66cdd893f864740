# The tree control's benchmark (included from the top-level list with the GUI).
find_package(benchmark REQUIRED)
add_executable(bench_tree "${CMAKE_CURRENT_LIST_DIR}/bench_tree.cpp")
target_link_libraries(bench_tree PRIVATE afx_qt_testing benchmark::benchmark)

# The dialog end to end on a big file, once per program.
foreach(kind riff atom)
  if(kind STREQUAL riff)
    set(program Tarnwick)
  else()
    set(program Quellby)
  endif()
  string(TOLOWER ${program} lower)
  add_executable(bench-dialog-${kind} "${CMAKE_CURRENT_LIST_DIR}/bench_dialog.cpp")
  target_compile_definitions(bench-dialog-${kind} PRIVATE VIEWER_PROGRAM=${program}Program)
  target_link_libraries(bench-dialog-${kind} PRIVATE ${lower}_program afx_qt_testing tree_engine)
endforeach()
