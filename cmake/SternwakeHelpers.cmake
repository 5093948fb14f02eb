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
  cmake_parse_arguments(ARG "ONE_PROCESS" "WORKING_DIRECTORY;LAUNCHER" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  if(NOT ARG_WORKING_DIRECTORY)
    set(ARG_WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}")
  endif()
  if(ARG_ONE_PROCESS)
    add_test(NAME ${name} COMMAND ${ARG_LAUNCHER} $<TARGET_FILE:${name}> WORKING_DIRECTORY "${ARG_WORKING_DIRECTORY}")
    if(ARG_LABELS)
      set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
  else()
    include(GoogleTest)
    gtest_discover_tests(${name} WORKING_DIRECTORY "${ARG_WORKING_DIRECTORY}" DISCOVERY_TIMEOUT 60
                         PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()

# Headers are included as "<layer folder>/<file>.h" from the top of the tree.
# A layer's include path is a folder of its own holding links to the folders
# it may see, so "graphics/..." does not resolve inside refapp/.
function(sw_layer_include_dir target)
  set(dir "${CMAKE_BINARY_DIR}/layers/${target}")
  file(MAKE_DIRECTORY "${dir}")
  foreach(folder ${ARGN})
    get_filename_component(parent "${dir}/${folder}" DIRECTORY)
    file(MAKE_DIRECTORY "${parent}")
    file(CREATE_LINK "${CMAKE_SOURCE_DIR}/${folder}" "${dir}/${folder}" SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC "${dir}")
endfunction()
