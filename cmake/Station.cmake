# The station in five layers, each a target that links only the layers below
# it, so an include of a higher layer's header fails to build:
#
#   sternwake (program)  shell/*.cpp: entry, loops, loop clock, network start
#   network              network/*.cpp: NetworkModule and its RPCs
#   presentation         graphics/*.cpp: GraphicsModule, GUI, frame listener
#   world                refapp/*.cpp: the simulation world (OgreRefApp)
#   station_state        shell/state/*.cpp: settings, roles, clientTable,
#                        named objects, counters, the simulation log
#
# The presentation reports to the network through its own interface
# (graphics/NetworkReports.h), which the network implements and the program
# installs. Each layer sees only its own folder and those below through the
# include paths given here.
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

function(sw_layer_sources var)
  set(sources)
  foreach(pattern ${ARGN})
    file(GLOB found CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${pattern}")
    list(APPEND sources ${found})
  endforeach()
  set(${var} ${sources} PARENT_SCOPE)
endfunction()

sw_layer_sources(SW_STATE_SOURCES "shell/state/*.cpp")
add_library(station_state STATIC ${SW_STATE_SOURCES})
sw_layer_include_dir(station_state shell/state)

sw_layer_sources(SW_WORLD_SOURCES "refapp/*.cpp")
add_library(world STATIC ${SW_WORLD_SOURCES})
target_link_libraries(world PUBLIC station_state PkgConfig::OGRE PkgConfig::ODE)
sw_layer_include_dir(world refapp)

sw_layer_sources(SW_PRESENTATION_SOURCES "graphics/*.cpp")
add_library(presentation STATIC ${SW_PRESENTATION_SOURCES})
target_link_libraries(presentation PUBLIC world audio PkgConfig::OGRE ${OGRE_BITES_LIBRARY} PkgConfig::CEGUI
                                          PkgConfig::OIS X11::X11 X11::Xfixes)
sw_layer_include_dir(presentation graphics)

# Empty until the simulation's connection class lands: then an ordinary
# static library of network/*.cpp on the presentation and the transport.
sw_layer_sources(SW_NETWORK_SOURCES "network/*.cpp")
if(SW_NETWORK_SOURCES)
  add_library(network STATIC ${SW_NETWORK_SOURCES})
  set(SW_NETWORK_SCOPE PUBLIC)
else()
  add_library(network INTERFACE)
  set(SW_NETWORK_SCOPE INTERFACE)
endif()
target_link_libraries(network ${SW_NETWORK_SCOPE} presentation tnl audio)
set(dir "${CMAKE_BINARY_DIR}/layers/network")
file(MAKE_DIRECTORY "${dir}")
file(CREATE_LINK "${CMAKE_SOURCE_DIR}/network" "${dir}/network" SYMBOLIC)
target_include_directories(network ${SW_NETWORK_SCOPE} "${dir}")

# The program: everything in shell/ but the state below and main.cpp, as a
# library that the shell's tests link, and the executable.
sw_layer_sources(SW_PROGRAM_SOURCES "shell/*.cpp")
list(FILTER SW_PROGRAM_SOURCES EXCLUDE REGEX "/shell/main\\.cpp$")
add_library(program STATIC ${SW_PROGRAM_SOURCES})
target_link_libraries(program PUBLIC network presentation tnl audio)
target_include_directories(program PUBLIC "${CMAKE_SOURCE_DIR}")

add_executable(sternwake "${CMAKE_SOURCE_DIR}/shell/main.cpp")
target_link_libraries(sternwake PRIVATE program)
set_target_properties(sternwake PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${SW_STAGE_DIR}/bin")
