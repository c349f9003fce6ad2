# cmake -P script: install, build outside the tree with the CMake package and with pkg-config, run.
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed (${result}):\n${output}")
  endif()
  message(STATUS "${what}: ok")
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(installed bin/fxc include/d3d12layer/win32/windows.h include/d3d12layer/d3d12/d3d12.h
                  lib/cmake/D3d12Layer/D3d12LayerConfig.cmake lib/pkgconfig/d3d12layer.pc)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "the install has no ${installed}")
  endif()
endforeach()

# With find_package, the program's shaders compiled by the installed fxc.
run("configure with find_package" ${CMAKE_COMMAND} -S ${PROGRAM_DIR} -B ${WORK_DIR}/cmake-build -G Ninja
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH=${prefix} -DSAMPLE_DIR=${SAMPLE_DIR})
run("build with find_package" ${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-build)
run("run the find_package build" ${WORK_DIR}/cmake-build/package_sample)

# With pkg-config and the compiler alone, the shaders compiled at run time as the plain sample does.
file(MAKE_DIRECTORY ${WORK_DIR}/pkg-config-build)
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
execute_process(COMMAND pkg-config --cflags --libs d3d12layer OUTPUT_VARIABLE flags RESULT_VARIABLE found
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT found EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know d3d12layer")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
run("build with pkg-config" ${CXX} -std=c++20 -O1 ${SAMPLE_DIR}/Main.cpp ${SAMPLE_DIR}/SampleFramework.cpp
    ${SAMPLE_DIR}/TriangleSample.cpp ${flags} -o ${WORK_DIR}/pkg-config-build/package_sample)
file(COPY ${SAMPLE_DIR}/shaders.hlsl DESTINATION ${WORK_DIR}/pkg-config-build)
run("run the pkg-config build" ${WORK_DIR}/pkg-config-build/package_sample)
