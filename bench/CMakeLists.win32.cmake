# The Windows backend's benchmarks (included from the top-level list):
# programs that print figures, run under wine by hand.

# The tree window alone, with a million children under one root.
add_executable(bench_tree_win32 "${CMAKE_CURRENT_LIST_DIR}/bench_tree_win32.cpp")
target_compile_definitions(bench_tree_win32 PRIVATE UNICODE _UNICODE)
target_link_libraries(bench_tree_win32 PRIVATE win32_tree psapi)

# The dialog end to end on a big file, once per program.
if(TARGET tarnwick_program)
  foreach(kind riff atom)
    if(kind STREQUAL riff)
      set(program Tarnwick)
    else()
      set(program Quellby)
    endif()
    string(TOLOWER ${program} lower)
    add_executable(bench-dialog-${kind} "${CMAKE_CURRENT_LIST_DIR}/bench_dialog_win32.cpp")
    target_compile_definitions(bench-dialog-${kind} PRIVATE VIEWER_PROGRAM=${program}Program)
    target_link_options(bench-dialog-${kind} PRIVATE -municode)
    target_link_libraries(bench-dialog-${kind} PRIVATE ${lower}_program ${lower}_rc win32_tree psapi)
  endforeach()
endif()
