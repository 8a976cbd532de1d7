# klice_node_program(TARGET)
# In the browser build, TARGET (a test program or a tool the tests run) also
# runs under node, the build's emulator (scripts/test-web.sh), where it sees
# the machine's folders and environment (tests/web/node_host.js).
function(klice_node_program target)
  if(EMSCRIPTEN)
    target_link_options(${target} PRIVATE "SHELL:--pre-js ${PROJECT_SOURCE_DIR}/tests/web/node_host.js" -lnodefs.js
                        "SHELL:-s ALLOW_MEMORY_GROWTH=1")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/tests/web/node_host.js)
  endif()
endfunction()

# klice_test(NAME SOURCES... LIBS libs... [RESOURCE_LOCK names...] [LABEL label]
#            [ENVIRONMENT VAR=value...])
# One GoogleTest executable, linked with the shared helpers of tests/support;
# its cases are discovered when ctest runs, with RESOURCE_LOCK none of them
# runs beside another test holding one of those names, LABEL lets ctest pick
# them (-L) or leave them out (-LE), and ENVIRONMENT adds to the environment
# they run in. Its main (tests/test_main.cpp)
# gives it a sound device that discards the output; windows open on SDL's
# dummy video driver unless a test picks another.
include(GoogleTest)
function(klice_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS;RESOURCE_LOCK;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/test_main.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} klice_test_support klice_platform GTest::gtest GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  klice_node_program(${name})
  # The listing runs through wine in a cross build, whose first start in a
  # fresh prefix takes seconds.
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES TIMEOUT 300)
  # The discovery passes property values on one element at a time, so a list
  # such as the environment is set by a script run after it, on the tests it
  # found (it leaves their names in ${name}_TESTS).
  set(env_script ${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake)
  set(environment "SDL_VIDEODRIVER=dummy" "KLICE_DATA_DIR=${KLICE_DATA_DIR}" ${ARG_ENVIRONMENT})
  file(WRITE ${env_script}
    "if(${name}_TESTS)\n"
    "  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT\n"
    "    \"${environment}\")\n"
    "endif()\n")
  if(ARG_RESOURCE_LOCK)
    file(APPEND ${env_script}
      "if(${name}_TESTS)\n"
      "  set_tests_properties(\${${name}_TESTS} PROPERTIES RESOURCE_LOCK \"${ARG_RESOURCE_LOCK}\")\n"
      "endif()\n")
  endif()
  if(ARG_LABEL)
    file(APPEND ${env_script}
      "if(${name}_TESTS)\n"
      "  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS ${ARG_LABEL})\n"
      "endif()\n")
  endif()
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${env_script})
endfunction()

# The layer table (cmake/layers.txt): KLICE_LAYERS lists its folders and
# KLICE_LAYER_USES_<folder> the folders each may use.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/layers.txt)
file(STRINGS ${PROJECT_SOURCE_DIR}/cmake/layers.txt klice_layer_lines)
set(KLICE_LAYERS)
foreach(line IN LISTS klice_layer_lines)
  string(REGEX REPLACE "#.*" "" line "${line}")
  string(STRIP "${line}" line)
  if(line)
    string(REGEX REPLACE "[ \t]+" ";" words "${line}")
    list(POP_FRONT words folder)
    list(APPEND KLICE_LAYERS ${folder})
    set(KLICE_LAYER_USES_${folder} ${words})
  endif()
endforeach()
# Each folder's headers as its users see them, and as the folder itself
# does: build/include/FOLDER/public holds links to the public headers of the
# folder's top level (a header whose first line begins "// Internal to" is
# private), build/include/FOLDER/private a link to the whole folder. The
# links are made anew at every configure, so a header that turns private
# drops out.
function(klice_layer_roots folder)
  get_property(done GLOBAL PROPERTY klice_layer_roots_${folder})
  if(done)
    return()
  endif()
  set_property(GLOBAL PROPERTY klice_layer_roots_${folder} TRUE)
  set(root ${CMAKE_BINARY_DIR}/include/${folder})
  file(REMOVE_RECURSE ${root})
  get_filename_component(parent ${root}/private/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent} ${root}/public/${folder})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/private/${folder} SYMBOLIC)
  file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  foreach(header IN LISTS headers)
    file(STRINGS ${header} first LIMIT_COUNT 1)
    if(NOT first MATCHES "^// Internal to")
      get_filename_component(name ${header} NAME)
      file(CREATE_LINK ${header} ${root}/public/${folder}/${name} SYMBOLIC)
    endif()
  endforeach()
endfunction()

# klice_layer(FOLDER)
# Every target of the calling directory (and of the directories below it)
# sees the whole of FOLDER, one of the table's folders; what it sees of the
# other layers comes from the libraries it links.
function(klice_layer folder)
  if(NOT folder IN_LIST KLICE_LAYERS)
    message(FATAL_ERROR "${folder} has no line in cmake/layers.txt")
  endif()
  klice_layer_roots(${folder})
  include_directories(${CMAKE_BINARY_DIR}/include/${folder}/private)
endfunction()

# klice_layer_public(TARGET FOLDER)
# TARGET shows its users the public headers of FOLDER.
function(klice_layer_public target folder)
  klice_layer_roots(${folder})
  target_include_directories(${target} INTERFACE ${CMAKE_BINARY_DIR}/include/${folder}/public)
endfunction()

# klice_library(NAME)
# The library of one source folder of the layer table: every .cpp of the
# folder except main.cpp, linked with the libraries (klice_FOLDER) of the
# folders its line names. Globbing keeps the folders independent: adding a
# file needs no edit here.
function(klice_library name)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  klice_layer(${folder})
  set(libs)
  foreach(used IN LISTS KLICE_LAYER_USES_${folder})
    list(APPEND libs klice_${used})
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${libs})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${libs})
  endif()
  klice_layer_public(${name} ${folder})
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

# klice_embed_resource(TARGET NAME FILE)
# Links FILE into the executable TARGET as the RCDATA resource NAME (found
# with platform::FindResource). On Windows it is a real resource, compiled
# by the resource compiler into the executable's resource table. Elsewhere
# the bytes go in through the assembler's .incbin, so even megabytes cost
# nothing at compile time, and a static registration in the same object
# enters them in our own resource table at start-up. In the browser it is a
# file preloaded beside the program. Use it on executables:
# a static library would drop the object.
function(klice_embed_resource target name file)
  get_filename_component(path "${file}" ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  string(MAKE_C_IDENTIFIER "klice_resource_${target}_${name}" symbol)
  if(WIN32)
    set(source ${CMAKE_CURRENT_BINARY_DIR}/${symbol}.rc)
    file(CONFIGURE OUTPUT ${source} @ONLY CONTENT [[
// Generated by klice_embed_resource: @name@ from @path@.
@name@ RCDATA "@path@"
]])
    set_source_files_properties(${source} PROPERTIES OBJECT_DEPENDS "${path}")
    target_sources(${target} PRIVATE ${source})
    return()
  endif()
  if(EMSCRIPTEN)
    # In the browser the resource is a file of the preloaded file system,
    # /resources/NAME, read when first asked for (platform/web/).
    target_link_options(${target} PRIVATE "SHELL:--preload-file ${path}@/resources/${name}")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${path})
    return()
  endif()
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${symbol}.cpp)
  file(CONFIGURE OUTPUT ${source} @ONLY CONTENT [[
// Generated by klice_embed_resource: @name@ from @path@.
#include <cstddef>
#include <cstdint>

#include "platform/resources.h"

__asm__(
    ".section .rodata\n"
    ".global @symbol@_begin\n"
    ".global @symbol@_end\n"
    ".balign 16\n"
    "@symbol@_begin:\n"
    ".incbin \"@path@\"\n"
    "@symbol@_end:\n"
    ".byte 0\n"
    ".previous\n");

extern "C" const uint8_t @symbol@_begin[];
extern "C" const uint8_t @symbol@_end[];

static const klice::platform::ResourceRegistration registration(
    klice::platform::RT_RCDATA, "@name@",
    {@symbol@_begin, static_cast<size_t>(@symbol@_end - @symbol@_begin)});
]])
  set_source_files_properties(${source} PROPERTIES
    OBJECT_DEPENDS "${path}"
    INCLUDE_DIRECTORIES "${PROJECT_SOURCE_DIR}")
  target_sources(${target} PRIVATE ${source})
endfunction()
