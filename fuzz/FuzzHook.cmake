# Adds the fuzz targets to a build of the whole project: given as CMAKE_PROJECT_INCLUDE, it runs
# right after the top-level project() and defers FuzzTargets.cmake until every library target exists.
include_guard(GLOBAL)
# A deferred call expands its arguments when it runs, so the path is kept in a variable now.
set(KELVANE_FUZZ_TARGETS_FILE ${CMAKE_CURRENT_LIST_DIR}/FuzzTargets.cmake)
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL include ${KELVANE_FUZZ_TARGETS_FILE})
