# The engine: portable Win32 + Direct3D 12 sources, one folder per subsystem. Everything but the process
# entry goes into engine_core so that tests and benchmarks can link it.
# In layering order: a folder includes only itself and the folders before it (tests/structure checks it).
set(ENGINE_DIR ${CMAKE_SOURCE_DIR}/engine)
set(ENGINE_SUBSYSTEMS core math content anim text render viewer app)

set(ENGINE_SOURCES)
foreach(subsystem IN LISTS ENGINE_SUBSYSTEMS)
  file(GLOB subsystem_sources CONFIGURE_DEPENDS ${ENGINE_DIR}/${subsystem}/*.cpp)
  list(APPEND ENGINE_SOURCES ${subsystem_sources})
endforeach()
set(ENGINE_ENTRY ${ENGINE_DIR}/app/main.cpp)
list(REMOVE_ITEM ENGINE_SOURCES ${ENGINE_ENTRY})

find_package(assimp REQUIRED)

# The Windows APIs the engine is written against: the system's own on Windows, platform/ elsewhere.
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/Windows.cmake)
  set(ENGINE_WINDOWS_API engine_windows_api)
else()
  set(ENGINE_WINDOWS_API platform)
endif()

add_library(engine_core STATIC ${ENGINE_SOURCES})
target_include_directories(engine_core PUBLIC ${ENGINE_DIR})
target_link_libraries(engine_core PUBLIC ${ENGINE_WINDOWS_API} assimp::assimp)

add_executable(engine ${ENGINE_ENTRY})
target_link_libraries(engine PRIVATE engine_core)
# The generator expression keeps multi-configuration generators (Visual Studio) from adding a folder per
# configuration: the executable lands beside Shaders/ and the assets whatever the configuration.
set_target_properties(engine PROPERTIES RUNTIME_OUTPUT_DIRECTORY $<1:${ENGINE_RUN_DIR}>)

# Stage the data files next to the executable.
add_custom_target(stage_run_folder ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ENGINE_RUN_DIR}/Shaders
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${ENGINE_DIR}/Shaders ${ENGINE_RUN_DIR}/Shaders
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${ENGINE_DIR}/assets ${ENGINE_RUN_DIR}
  COMMENT "Staging Shaders/ and assets/ in ${ENGINE_RUN_DIR}")
add_dependencies(engine stage_run_folder)
# On Linux the layer's shader compiler runs its front end in a helper process found beside the program.
if(TARGET d3dcompile_helper)
  add_custom_command(TARGET stage_run_folder POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:d3dcompile_helper> ${ENGINE_RUN_DIR})
  add_dependencies(stage_run_folder d3dcompile_helper)
endif()
