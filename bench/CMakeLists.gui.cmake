# The tree control's benchmark (included from the top-level list with the GUI).
find_package(benchmark REQUIRED)
add_executable(bench_tree "${CMAKE_CURRENT_LIST_DIR}/bench_tree.cpp")
target_link_libraries(bench_tree PRIVATE afx_qt Qt6::Widgets benchmark::benchmark)

# The dialog end to end on a big file, once per program.
foreach(kind riff atom)
  if(kind STREQUAL riff)
    set(res tarnwick_res)
    set(dialog "${PROJECT_SOURCE_DIR}/riff/riff_dialog.cpp")
  else()
    set(res quellby_res)
    set(dialog "${PROJECT_SOURCE_DIR}/atom/atom_dialog.cpp")
  endif()
  add_executable(bench-dialog-${kind} "${CMAKE_CURRENT_LIST_DIR}/bench_dialog.cpp" "${dialog}")
  target_link_libraries(bench-dialog-${kind} PRIVATE viewer_shell ${res} ${kind}_analysis afx_qt Qt6::Widgets)
endforeach()
