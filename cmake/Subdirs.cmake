# Adds every immediate subdirectory that has a CMakeLists.txt, in name order,
# so each generator, test suite, benchmark or fuzz target keeps its own file.
function(sw_add_all_subdirectories)
  file(GLOB children RELATIVE "${CMAKE_CURRENT_SOURCE_DIR}" CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt")
  list(SORT children)
  foreach(child ${children})
    get_filename_component(dir "${child}" DIRECTORY)
    add_subdirectory("${dir}")
  endforeach()
endfunction()
