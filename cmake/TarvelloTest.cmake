# tarvello_add_test(<name> SOURCES ... LIBS ... [LABEL unit|widget|e2e]
#                   [TIMEOUT seconds] [GUI] [PTY])
# Every test goes through here: it runs on the offscreen Qt platform, carries
# a label and a time-out, and tests that drive pseudo-terminals share a lock
# so that their timing is not disturbed by one another.
# Every test program reuses the precompiled GoogleTest and Qt headers of
# tarvello_test_pch (tests/support), and links Qt Widgets so that those
# headers mean the same in every test.
# GUI tests get a QApplication (tests/support/gui_main.cpp), the others a
# QCoreApplication (tests/support/core_main.cpp).
function(tarvello_add_test name)
  cmake_parse_arguments(T "GUI;PTY" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_LABEL)
    set(T_LABEL unit)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  if(T_GUI)
    target_link_libraries(${name} PRIVATE tarvello_test_gui_main)
  else()
    target_link_libraries(${name} PRIVATE tarvello_test_core_main)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} tarvello_test_support Qt6::Widgets)
  target_precompile_headers(${name} REUSE_FROM tarvello_test_pch)
  tarvello_warnings(${name})
  # With the precompiled headers GCC 12 inlines std::string copies of test
  # literals differently and then reports bounds and overflows falsely (GCC
  # bug 105329); the sanitizer build checks the tests' bounds at run time.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${name} PRIVATE -Wno-array-bounds -Wno-stringop-overflow)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set(env
    "QT_QPA_PLATFORM=offscreen"
    "TARVELLO_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data"
    "TARVELLO_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  if(TARGET module-sim)
    list(APPEND env "TARVELLO_MODULE_SIM=$<TARGET_FILE:module-sim>")
  endif()
  if(TARGET fake-ftd2xx)
    list(APPEND env "TARVELLO_FAKE_D2XX=$<TARGET_FILE:fake-ftd2xx>")
  endif()
  set_tests_properties(${name} PROPERTIES
    LABELS "${T_LABEL}"
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "${env}")
  if(T_PTY)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK tarvello_pty)
  endif()
endfunction()
