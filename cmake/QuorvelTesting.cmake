# Test executables: GoogleTest, one executable per group of related cases, run
# once for all its cases (a Wine start is not free).
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(QUORVEL_WINE_TEMPLATE ${CMAKE_BINARY_DIR}/wine/template)
set(QUORVEL_WINE_PREFIXES ${CMAKE_BINARY_DIR}/wine/prefixes)

if(WIN32)
  # Boots the prefix that every Windows test clones; once per test run.
  add_test(NAME wine_prefix_template
           COMMAND ${CMAKE_SOURCE_DIR}/tests/support/wine-prefix.sh boot ${QUORVEL_WINE_TEMPLATE})
  set_tests_properties(wine_prefix_template PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 120)
endif()

# quorvel_add_test(<name> SOURCES ... [LIBS ...] [NATIVE_ONLY] [WINDOWS_ONLY]
#                  [ENVIRONMENT VAR=value ...] [TIMEOUT seconds])
function(quorvel_add_test name)
  cmake_parse_arguments(T "NATIVE_ONLY;WINDOWS_ONLY" "TIMEOUT" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
  if((T_NATIVE_ONLY AND WIN32) OR (T_WINDOWS_ONLY AND NOT WIN32))
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} quorvel_test_support GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set(env ${T_ENVIRONMENT})
  if(WIN32)
    list(APPEND env QUORVEL_WINE_TEMPLATE=${QUORVEL_WINE_TEMPLATE}
                    QUORVEL_WINE_PREFIXES=${QUORVEL_WINE_PREFIXES})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix)
  endif()
  if(env)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
  endif()
  if(T_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
  endif()
endfunction()
