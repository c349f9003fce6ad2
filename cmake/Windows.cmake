# The Windows side of the engine's build: the system libraries the engine calls, DirectX-Headers, and how
# the executable links, for Visual Studio (with vcpkg) and for mingw-w64 (cross-built from Debian by
# scripts/windows-build.sh with cmake/mingw-w64-x86_64.cmake).
add_library(engine_windows_api INTERFACE)
target_compile_definitions(engine_windows_api INTERFACE UNICODE _UNICODE)
target_link_libraries(engine_windows_api INTERFACE d3d12 dxgi d3dcompiler dxguid windowscodecs ole32 uuid)

# DirectX-Headers: vcpkg's package (d3dx12.h and the Direct3D 12 identifiers' library), or, when
# cross-compiling, a folder holding DirectX-Headers' directx/ and dxguids/ folders. Debian keeps them in
# /usr/include beside the Linux C library's headers, which must stay off a cross compiler's path, so the
# build reaches them through a folder of links to just those two.
find_package(directx-headers CONFIG QUIET)
if(TARGET Microsoft::DirectX-Headers)
  target_link_libraries(engine_windows_api INTERFACE Microsoft::DirectX-Headers Microsoft::DirectX-Guids)
else()
  set(DIRECTX_HEADERS_INCLUDE_ROOT /usr/include CACHE PATH
      "Folder holding DirectX-Headers' directx/ and dxguids/ folders")
  if(NOT EXISTS ${DIRECTX_HEADERS_INCLUDE_ROOT}/directx/d3dx12.h)
    message(FATAL_ERROR "DirectX-Headers not found: no directx/d3dx12.h in DIRECTX_HEADERS_INCLUDE_ROOT "
                        "(${DIRECTX_HEADERS_INCLUDE_ROOT}); install vcpkg's directx-headers or Debian's directx-headers-dev")
  endif()
  set(directx_headers_links ${CMAKE_BINARY_DIR}/directx-headers)
  foreach(folder directx dxguids)
    file(MAKE_DIRECTORY ${directx_headers_links})
    file(CREATE_LINK ${DIRECTX_HEADERS_INCLUDE_ROOT}/${folder} ${directx_headers_links}/${folder} SYMBOLIC)
  endforeach()
  target_include_directories(engine_windows_api SYSTEM INTERFACE ${directx_headers_links})
endif()

# A static Assimp names the zlib and minizip it was built with by their bare names: they sit beside it.
get_target_property(assimp_type assimp::assimp TYPE)
if(assimp_type STREQUAL "STATIC_LIBRARY")
  foreach(property IMPORTED_LOCATION_RELEASE IMPORTED_LOCATION_NOCONFIG IMPORTED_LOCATION)
    get_target_property(assimp_library assimp::assimp ${property})
    if(assimp_library)
      get_filename_component(assimp_library_dir ${assimp_library} DIRECTORY)
      target_link_directories(engine_windows_api INTERFACE ${assimp_library_dir})
      break()
    endif()
  endforeach()
endif()

# mingw-w64: the C++ runtime and winpthread linked in, so that engine.exe imports only Windows' own DLLs.
if(MINGW)
  target_link_options(engine_windows_api INTERFACE -static)
endif()
