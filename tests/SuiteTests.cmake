# sorvi_add_suites(TARGET [FILTER gtest-filter] [LAUNCHER command ...] [PROPERTIES prop value ...])
#
# Registers one ctest test per test suite of a GoogleTest program (named after the suite, run
# with --gtest_filter=Suite.*): a program that starts the toolkit or prepares fixtures does so
# once per suite instead of once per test, and a failing test still names itself in the
# output. Parameterised suites (Prefix/Suite) get one test per case instead. The suites are
# listed when ctest starts, so that new tests need no new configure. A LAUNCHER runs each test's
# command line.
function(sorvi_add_suites target)
  cmake_parse_arguments(PARSE_ARGV 1 _arg "" "FILTER" "PROPERTIES;LAUNCHER")
  set(_base "${CMAKE_CURRENT_BINARY_DIR}/${target}_suites")
  set(_filter "")
  if(_arg_FILTER)
    set(_filter "--gtest_filter=${_arg_FILTER}")
    string(MAKE_C_IDENTIFIER "${_arg_FILTER}" _tag)
    string(APPEND _base "_${_tag}")
  endif()
  set(_props "")
  set(_launcher "")
  foreach(w IN LISTS _arg_LAUNCHER)
    string(APPEND _launcher "[==[${w}]==] ")
  endforeach()
  foreach(p IN LISTS _arg_PROPERTIES)
    string(APPEND _props " [==[${p}]==]")
  endforeach()
  file(GENERATE OUTPUT "${_base}.cmake" CONTENT "
set(_exe [==[$<TARGET_FILE:${target}>]==])
set(_dir [==[${CMAKE_CURRENT_BINARY_DIR}]==])
if(NOT EXISTS \"\${_exe}\")
  add_test([==[${target}_NOT_BUILT]==] [==[${target}_NOT_BUILT]==])
  return()
endif()
execute_process(COMMAND \"\${_exe}\" --gtest_list_tests ${_filter} WORKING_DIRECTORY \"\${_dir}\"
                OUTPUT_VARIABLE _out RESULT_VARIABLE _rc TIMEOUT 60)
if(NOT _rc EQUAL 0)
  add_test([==[${target}_NOT_LISTED]==] \"\${_exe}\" --gtest_list_tests)
  return()
endif()
string(REPLACE \"\\n\" \";\" _lines \"\${_out}\")
set(_suite \"\")
foreach(_line IN LISTS _lines)
  # Suite lines start in the first column and end in a dot (typed suites add a comment); the
  # test lines below them are indented.
  if(_line MATCHES \"^([^ #][^ ]*)\\\\.( .*)?$\")
    set(_suite \"\${CMAKE_MATCH_1}\")
    set(_name \"\${_suite}\")
    if(NOT _suite MATCHES \"/\")
      add_test(\"\${_name}\" ${_launcher}\"\${_exe}\" \"--gtest_filter=\${_suite}.*\")
      set_tests_properties(\"\${_name}\" PROPERTIES WORKING_DIRECTORY \"\${_dir}\"${_props})
    endif()
  elseif(_suite MATCHES \"/\" AND _line MATCHES \"^  ([^ ]+)\")
    # A parameterised suite is a table of cases, some of them long: one test per case, so
    # that they spread over the cores.
    set(_name \"\${_suite}.\${CMAKE_MATCH_1}\")
    add_test(\"\${_name}\" ${_launcher}\"\${_exe}\" \"--gtest_filter=\${_name}\")
    set_tests_properties(\"\${_name}\" PROPERTIES WORKING_DIRECTORY \"\${_dir}\"${_props})
  endif()
endforeach()
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${_base}.cmake")
endfunction()
