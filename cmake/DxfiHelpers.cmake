# SPDX-License-Identifier: MIT
include_guard(GLOBAL)

# dxfi_add_library(NAME name SOURCES a.cpp ... [PUBLIC lib ...] [PRIVATE lib ...])
# A folder's static library dxfi_<name> and its alias dxfi::<name>: it includes from the
# project's root and builds with the project's warnings.
function(dxfi_add_library)
  cmake_parse_arguments(L "" "NAME" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  add_library(dxfi_${L_NAME} STATIC ${L_SOURCES})
  add_library(dxfi::${L_NAME} ALIAS dxfi_${L_NAME})
  target_include_directories(dxfi_${L_NAME} PUBLIC ${PROJECT_SOURCE_DIR})
  if(L_PUBLIC)
    target_link_libraries(dxfi_${L_NAME} PUBLIC ${L_PUBLIC})
  endif()
  target_link_libraries(dxfi_${L_NAME} PRIVATE ${L_PRIVATE} dxfi::warnings)
endfunction()

# dxfi_add_test(NAME name SOURCES a.cpp ... LIBS lib ...)
# One GoogleTest binary per behaviour group; each test case is registered with CTest.
function(dxfi_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main dxfi::warnings)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${T_NAME} PRIVATE
    DXFI_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    DXFI_BIN_DIR="${DXFI_BIN_DIR}")
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # Widget tests run without a display. Tests that need more environment set it in their
  # fixtures: the discovered tests' property list cannot carry several variables.
  gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
