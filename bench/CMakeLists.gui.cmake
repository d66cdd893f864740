# The tree control's benchmark (included from the top-level list with the GUI).
find_package(benchmark REQUIRED)
add_executable(bench_tree "${CMAKE_CURRENT_LIST_DIR}/bench_tree.cpp")
target_link_libraries(bench_tree PRIVATE afx_qt Qt6::Widgets benchmark::benchmark)
