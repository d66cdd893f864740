# The tree control's engine: the items, the rows shown, keys, hit-testing and
# layout, with no window system in it. Both backends' tree controls are built
# on it, and its tests run without a display, so it is built for every
# configuration, with or without the programs.
add_library(tree_engine STATIC
  ${CMAKE_CURRENT_LIST_DIR}/tree_engine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tree_keys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tree_rows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tree_store.cpp)
target_include_directories(tree_engine PUBLIC ${CMAKE_CURRENT_LIST_DIR}/../private)
