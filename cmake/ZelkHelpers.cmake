# Small helpers that keep library and test targets one line each.
include(GoogleTest)

# zelk_library(name SOURCES... [DEPS ...]): a library of the folder it is declared in.
# Each folder gets an include root of its own that holds only that folder, so a library sees
# its own headers and those of the libraries it depends on: an include of a layer above fails.
function(zelk_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(root ${CMAKE_BINARY_DIR}/include/${folder})
  if(NOT EXISTS ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# add_gtest(name SOURCES... DEPS ...): a GoogleTest executable registered with CTest.
function(add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    ZELK_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    ZELK_TESTS_DIR="${PROJECT_SOURCE_DIR}/tests"
    ZELK_SHIPPED_DATA_DIR="${PROJECT_SOURCE_DIR}/data"
    ZELK_TEST_OUTPUT_DIR="${CMAKE_CURRENT_BINARY_DIR}")
  # Every test case is a CTest entry of its own, so a failure names the case and -j spreads them.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# add_fuzz_target(name SOURCE DEPS ...): a libFuzzer executable (clang only).
function(add_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()

# add_qt_test(name SOURCES... DEPS ...): a Qt Test executable (one test class, QTEST_MAIN)
# registered with CTest and run on the offscreen platform.
function(add_qt_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  find_package(Qt6 REQUIRED COMPONENTS Test Widgets)
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} Qt6::Test)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    ZELK_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    ZELK_TESTS_DIR="${PROJECT_SOURCE_DIR}/tests"
    ZELK_SHIPPED_DATA_DIR="${PROJECT_SOURCE_DIR}/data"
    ZELK_TEST_OUTPUT_DIR="${CMAKE_CURRENT_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
