# The station library: shell, presentation, world and network code, which
# call each other through the process-wide station state.
pkg_check_modules(OGRE REQUIRED IMPORTED_TARGET OGRE)
# OGRE-Bites' pkg-config file drags in SDL2, which we do not use: link it by name.
find_library(OGRE_BITES_LIBRARY OgreBites REQUIRED)
pkg_check_modules(CEGUI REQUIRED IMPORTED_TARGET CEGUI-0 CEGUI-0-OGRE)
pkg_check_modules(OIS REQUIRED IMPORTED_TARGET OIS)
pkg_check_modules(ODE REQUIRED IMPORTED_TARGET ode)
# The render window's close requests are read from its X11 connection.
find_package(X11 REQUIRED)

# Where OGRE's plug-ins live, for the generated plugins.cfg.
pkg_get_variable(OGRE_PLUGIN_DIR OGRE plugindir)

file(GLOB SW_STATION_SOURCES CONFIGURE_DEPENDS
     "${CMAKE_SOURCE_DIR}/shell/*.cpp" "${CMAKE_SOURCE_DIR}/graphics/*.cpp"
     "${CMAKE_SOURCE_DIR}/refapp/*.cpp" "${CMAKE_SOURCE_DIR}/network/*.cpp")
list(FILTER SW_STATION_SOURCES EXCLUDE REGEX "/shell/main\\.cpp$")

if(SW_STATION_SOURCES)
  add_library(station STATIC ${SW_STATION_SOURCES})
  target_include_directories(station PUBLIC "${CMAKE_SOURCE_DIR}")
  target_link_libraries(station PUBLIC PkgConfig::OGRE ${OGRE_BITES_LIBRARY} PkgConfig::CEGUI PkgConfig::OIS PkgConfig::ODE X11::X11 X11::Xfixes)
  foreach(leaf tnl audio)
    if(TARGET ${leaf})
      target_link_libraries(station PUBLIC ${leaf})
    endif()
  endforeach()
  if(EXISTS "${CMAKE_SOURCE_DIR}/shell/main.cpp")
    add_executable(sternwake "${CMAKE_SOURCE_DIR}/shell/main.cpp")
    target_link_libraries(sternwake PRIVATE station)
    set_target_properties(sternwake PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${SW_STAGE_DIR}/bin")
  endif()
endif()
