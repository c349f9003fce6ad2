# `cmake --install` of the layer: the module archives, their headers under include/d3d12layer/<module>, fxc,
# the CMake package (find_package(D3d12Layer), imported targets D3d12Layer::<module>) and pkg-config files
# (d3d12layer-<module>.pc, and d3d12layer.pc for all of them). The modules' own CMakeLists.txt install their
# archives and headers; this file adds what describes them.
include(GNUInstallDirs)

set(package_folder ${CMAKE_INSTALL_LIBDIR}/cmake/D3d12Layer)
file(RELATIVE_PATH PACKAGE_PREFIX_FROM_CONFIG /root/${package_folder} /root)
configure_file(${CMAKE_CURRENT_LIST_DIR}/D3d12LayerConfig.cmake.in ${CMAKE_BINARY_DIR}/package/D3d12LayerConfig.cmake
               @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/package/D3d12LayerConfig.cmake ${CMAKE_CURRENT_LIST_DIR}/D3d12LayerShaders.cmake
        DESTINATION ${package_folder})

# pkg-config: each module's flags and archives; the prefix is found from the .pc file's own folder, so
# the files stay right under whatever --prefix the install took.
file(RELATIVE_PATH PC_PREFIX_FROM_PCFILEDIR /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
set(directx_flags "-isystem /usr/include/wsl/stubs -isystem /usr/include/directx -isystem /usr/include/dxguids")
set(shader_archives "")
foreach(archive SPIRV glslang MachineIndependent OSDependent GenericCodeGen OGLCompiler SPIRV-Tools-opt SPIRV-Tools)
  string(APPEND shader_archives " -l:lib${archive}.a")
endforeach()

function(layer_pkg_config name description requires cflags libs)
  set(PC_NAME ${name})
  set(PC_DESCRIPTION "${description}")
  set(PC_REQUIRES "${requires}")
  set(PC_CFLAGS "${cflags}")
  set(PC_LIBS "${libs}")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/d3d12layer.pc.in ${CMAKE_BINARY_DIR}/package/${name}.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/package/${name}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endfunction()

layer_pkg_config(d3d12layer-win32 "The Win32 API on SDL2" "sdl2"
  "-I\${includedir}/win32 ${directx_flags} -DUNICODE -D_UNICODE"
  "-L\${libdir} -lplatform_win32 -lplatform_common -lDirectX-Guids")
# shaderc_combined must come before the glslang and SPIRV-Tools archives it needs, so it is named here rather
# than required (pkg-config puts what a package requires after its own libraries).
layer_pkg_config(d3d12layer-d3dcompiler "D3DCompile on shaderc" "d3d12layer-win32"
  "-I\${includedir}/d3dcompiler"
  "-L\${libdir} -lplatform_d3dcompiler -lshaderc_combined -Wl,--start-group${shader_archives} -Wl,--end-group -lpthread")
layer_pkg_config(d3d12layer-d3d12 "Direct3D 12 and DXGI on Vulkan" "d3d12layer-d3dcompiler d3d12layer-win32 vulkan"
  "-I\${includedir}/d3d12 -I\${includedir}/d3d12-sdk"
  "-L\${libdir} -lplatform_d3d12 -l:libSPIRV-Tools-opt.a -l:libSPIRV-Tools.a")
layer_pkg_config(d3d12layer-wic "WIC image decoding on libpng and libjpeg-turbo" "d3d12layer-win32 libpng libjpeg"
  "-I\${includedir}/wic"
  "-L\${libdir} -Wl,--whole-archive -lplatform_wic_code -Wl,--no-whole-archive")
layer_pkg_config(d3d12layer-msvc-dialect "The MSVC extensions Microsoft's samples lean on (link with the others)" ""
  "-fpermissive -include \${includedir}/msvc_dialect/msvc_dialect.h" "")
layer_pkg_config(d3d12layer "Every module of the layer" "d3d12layer-d3d12 d3d12layer-wic" "" "")
