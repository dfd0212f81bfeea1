# Compiler settings for our own targets. Third-party code (Qt, ALGLIB) is
# included as system headers and never gets -Werror.

function(tarvello_warnings target)
  # GCC 12 reports maybe-uninitialized falsely for std::optional<QString> at -O2.
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-maybe-uninitialized)
endfunction()

# tarvello_library(<name> SOURCES ... [LIBS ...] [PUBLIC_LIBS ...])
# One static library per subsystem; the folder is its include root.
function(tarvello_library name)
  cmake_parse_arguments(L "" "" "SOURCES;LIBS;PUBLIC_LIBS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${L_PUBLIC_LIBS} PRIVATE ${L_LIBS})
  tarvello_warnings(${name})
endfunction()
