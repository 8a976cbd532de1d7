# klice_test(NAME SOURCES... LIBS libs...)
# One GoogleTest executable; its cases are discovered when ctest runs, and
# every test runs on SDL's dummy video and audio drivers unless it picks others.
include(GoogleTest)
function(klice_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;KLICE_DATA_DIR=${KLICE_DATA_DIR}"
               TIMEOUT 300)
endfunction()
