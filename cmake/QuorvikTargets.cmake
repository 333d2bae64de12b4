# Source lists are globbed per folder so that adding a file needs no edit here.
function(qv_glob_sources out)
  set(files "")
  foreach(dir ${ARGN})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND files ${found})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

function(qv_glob_files out)
  set(files "")
  foreach(pattern ${ARGN})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${pattern})
    list(APPEND files ${found})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# One test program per folder under tests/, discovered case by case by ctest.
# OWN_MAIN: the folder brings its own main() (e.g. to create a QGuiApplication).
function(qv_add_test_suite name dir)
  cmake_parse_arguments(PARSE_ARGV 2 QV_SUITE "OWN_MAIN" "" "")
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  set(main_lib GTest::gtest_main)
  if(QV_SUITE_OWN_MAIN)
    set(main_lib "")
  endif()
  target_link_libraries(${name} PRIVATE ${QV_SUITE_UNPARSED_ARGUMENTS} GTest::gtest ${main_lib} GTest::gmock)
  target_compile_definitions(${name} PRIVATE QV_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/${dir}/data"
                                             QV_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                             QV_TEST_OUTPUT_DIR="${CMAKE_CURRENT_BINARY_DIR}/output/${dir}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ${dir})
endfunction()
