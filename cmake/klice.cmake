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
    PROPERTIES TIMEOUT 300)
  # The discovery passes property values on one element at a time, so a list
  # such as the environment is set by a script run after it, on the tests it
  # found (it leaves their names in ${name}_TESTS).
  set(env_script ${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake)
  file(WRITE ${env_script}
    "if(${name}_TESTS)\n"
    "  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT\n"
    "    \"SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;KLICE_DATA_DIR=${KLICE_DATA_DIR}\")\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${env_script})
endfunction()

# klice_library(NAME LIBS libs...)
# The library of one source folder: every .cpp of the folder except main.cpp.
# Globbing keeps the folders independent: adding a file needs no edit here.
function(klice_library name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_LIBS})
  endif()
endfunction()

# klice_test_folder(NAME LIBS libs...)
# One test executable from every .cpp of the current tests/ folder.
function(klice_test_folder name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    klice_test(${name} SOURCES ${sources} LIBS ${ARG_LIBS})
  endif()
endfunction()
