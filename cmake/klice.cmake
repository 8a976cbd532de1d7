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
