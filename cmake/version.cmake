# The version of Tintbox for a project configured on its own (hosts/com): read from the
# top-level CMakeLists.txt's project() call, the one place the number is written.
# Sets TINTBOX_VERSION ("MAJOR.MINOR.PATCH").
file(STRINGS "${CMAKE_CURRENT_LIST_DIR}/../CMakeLists.txt" _tintbox_project_line
  REGEX "^project\\(Tintbox VERSION [0-9]+\\.[0-9]+\\.[0-9]+")
string(REGEX MATCH "[0-9]+\\.[0-9]+\\.[0-9]+" TINTBOX_VERSION "${_tintbox_project_line}")
if(NOT TINTBOX_VERSION)
  message(FATAL_ERROR "no `project(Tintbox VERSION X.Y.Z` line in ${CMAKE_CURRENT_LIST_DIR}/../CMakeLists.txt")
endif()
