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

# tarvello_forbid_widgets(<target>)
# Fails the configuration when <target> links Qt Widgets, directly or through
# any library it links: a core library then cannot include a widget header
# (its include path has none) nor call into one by accident. Checked once
# every folder has been read, so that later target_link_libraries count too.
function(tarvello_forbid_widgets target)
  # A deferred call reads its arguments when it runs: the name goes in now.
  cmake_language(EVAL CODE
    "cmake_language(DEFER DIRECTORY [[${PROJECT_SOURCE_DIR}]] CALL _tarvello_check_no_widgets [[${target}]])")
endfunction()

function(_tarvello_check_no_widgets target)
  set(pending ${target})
  set(seen "")
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen OR NOT TARGET ${current})
      continue()
    endif()
    list(APPEND seen ${current})
    get_target_property(aliased ${current} ALIASED_TARGET)
    if(aliased)
      set(current ${aliased})
    endif()
    if(current MATCHES "^Qt[0-9]*::Widgets(Private)?$")
      message(FATAL_ERROR "${target} must not link Qt Widgets; it reaches ${current} (among ${seen})")
    endif()
    get_target_property(type ${current} TYPE)
    set(links "")
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(direct ${current} LINK_LIBRARIES)
      if(direct)
        list(APPEND links ${direct})
      endif()
    endif()
    get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
    if(interface)
      list(APPEND links ${interface})
    endif()
    foreach(link IN LISTS links)
      # $<LINK_ONLY:x> and similar wrappers around a target name.
      string(REGEX REPLACE "^\\$<[A-Z_]+:(.*)>$" "\\1" link "${link}")
      list(APPEND pending ${link})
    endforeach()
  endwhile()
endfunction()
