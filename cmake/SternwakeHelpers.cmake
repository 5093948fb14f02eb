# Shared helpers of the build.

macro(sw_add_subdirectory_if_present dir)
  if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt")
    add_subdirectory(${dir})
  endif()
endmacro()

# sw_add_gtest(<name> SOURCES ... LIBS ... [ONE_PROCESS] [LABELS ...])
# One GoogleTest executable. Each test case becomes its own CTest entry,
# unless ONE_PROCESS is given (suites that load the level or open a window
# do that once per process and run as a single entry).
function(sw_add_gtest name)
  cmake_parse_arguments(ARG "ONE_PROCESS" "WORKING_DIRECTORY" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  if(NOT ARG_WORKING_DIRECTORY)
    set(ARG_WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}")
  endif()
  if(ARG_ONE_PROCESS)
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY "${ARG_WORKING_DIRECTORY}")
    if(ARG_LABELS)
      set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
  else()
    include(GoogleTest)
    gtest_discover_tests(${name} WORKING_DIRECTORY "${ARG_WORKING_DIRECTORY}" DISCOVERY_TIMEOUT 60
                         PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()
