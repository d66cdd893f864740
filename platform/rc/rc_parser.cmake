# The resource script reader and the converter rcconv, run at build time.
# platform/CMakeLists.txt builds them for the programs' Qt build; a cross
# build for Windows builds them for the build machine through
# platform/rc/host, for the tests that hold windres's templates against the
# converter's tables. Either defines afx_internal and afx_images first.
add_library(rc_parser STATIC
  ${CMAKE_CURRENT_LIST_DIR}/rc_parser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rc_lexer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rc_preprocessor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rc_expr.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rc_statements.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rc_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rc_version.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rc_generator.cpp)
target_include_directories(rc_parser PUBLIC ${CMAKE_CURRENT_LIST_DIR})
# The facade's constants, the private formats and the image decoder:
# nothing of a backend.
target_link_libraries(rc_parser PUBLIC afx_internal afx_images)
add_executable(rcconv ${CMAKE_CURRENT_LIST_DIR}/rcconv.cpp)
target_link_libraries(rcconv PRIVATE rc_parser)
