# stp_add_test(NAME SOURCES... LIBS ...): one GoogleTest executable, one CTest entry.
# Cross-built tests run through CMAKE_CROSSCOMPILING_EMULATOR (Wine).
function(stp_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
  if(WIN32)
    # gtest_main provides main(); the -municode entry point (wmain) is only for
    # programs, so the test drops it from the options it inherits.
    get_target_property(opts ${name} LINK_OPTIONS)
    list(REMOVE_ITEM opts -municode)
    set_target_properties(${name} PROPERTIES LINK_OPTIONS "${opts}")
    target_link_options(${name} PRIVATE -mconsole)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
