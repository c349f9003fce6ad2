# d3d12_compile_hlsl: compiles a program's HLSL when the program is built, with the layer's fxc, the way a
# Visual Studio project's FxCompile items do.
#
#   d3d12_compile_hlsl(<target> SOURCE <file.hlsl> PROFILE <vs_5_0|ps_5_0|...>
#                      [ENTRY <name>]                 default main
#                      [OUTPUT <file.cso>]            default <binary dir>/<source name>.cso
#                      [HEADER <file.h> [VARIABLE <name>]]   a /Fh header instead, in the binary dir, which is
#                                                     added to the target's include path; VARIABLE is /Vn
#                      [DEFINES <NAME[=value]>...] [INCLUDE_DIRS <dir>...] [FLAGS </Zi /Od ...>]
#                      [DEPENDS <included files>...])
#
# The compiled file becomes a source of <target>, so it is made before the target is built and remade when
# the HLSL (or a file named in DEPENDS) changes. Relative paths are taken from the current source and binary
# folders, as add_custom_command does.
function(d3d12_compile_hlsl target)
  cmake_parse_arguments(ARG "" "SOURCE;PROFILE;ENTRY;OUTPUT;HEADER;VARIABLE" "DEFINES;INCLUDE_DIRS;FLAGS;DEPENDS"
                        ${ARGN})
  if(NOT ARG_SOURCE OR NOT ARG_PROFILE)
    message(FATAL_ERROR "d3d12_compile_hlsl(${target}): SOURCE and PROFILE are required")
  endif()
  if(TARGET D3d12Layer::fxc)
    set(compiler D3d12Layer::fxc)
  elseif(TARGET fxc)
    set(compiler fxc)
  else()
    message(FATAL_ERROR "d3d12_compile_hlsl(${target}): no fxc target (find_package(D3d12Layer) first)")
  endif()

  get_filename_component(source "${ARG_SOURCE}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(source_name "${ARG_SOURCE}" NAME_WE)
  set(arguments /nologo /T ${ARG_PROFILE})
  if(ARG_ENTRY)
    list(APPEND arguments /E ${ARG_ENTRY})
  endif()
  foreach(define IN LISTS ARG_DEFINES)
    list(APPEND arguments /D ${define})
  endforeach()
  foreach(folder IN LISTS ARG_INCLUDE_DIRS)
    get_filename_component(folder "${folder}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    list(APPEND arguments /I ${folder})
  endforeach()
  list(APPEND arguments ${ARG_FLAGS})

  if(ARG_HEADER)
    get_filename_component(output "${ARG_HEADER}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
    list(APPEND arguments /Fh ${output})
    if(ARG_VARIABLE)
      list(APPEND arguments /Vn ${ARG_VARIABLE})
    endif()
    get_filename_component(output_folder "${output}" DIRECTORY)
    target_include_directories(${target} PRIVATE ${output_folder})
  else()
    if(NOT ARG_OUTPUT)
      set(ARG_OUTPUT ${source_name}.cso)
    endif()
    get_filename_component(output "${ARG_OUTPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
    list(APPEND arguments /Fo ${output})
  endif()

  add_custom_command(
    OUTPUT ${output}
    COMMAND ${compiler} ${arguments} ${source}
    DEPENDS ${compiler} ${source} ${ARG_DEPENDS}
    COMMENT "fxc ${ARG_PROFILE} ${ARG_SOURCE} -> ${output}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
