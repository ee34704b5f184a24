# Installs the build tree into a fresh prefix, then builds and runs a small consumer
# against it through find_package(Tintbox) and through pkg-config.
#
# -DBUILD_DIR -DSOURCE_DIR (the consumer) -DWORK_DIR -DGENERATOR -DC_COMPILER
# -DCXX_COMPILER -DBUILD_TYPE -DLIBDIR -DEXTRA_FLAGS -DWITH_QT
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "failed (${result}): ${command}\n${output}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

foreach(file
    ${LIBDIR}/cmake/Tintbox/TintboxConfig.cmake
    ${LIBDIR}/cmake/Tintbox/TintboxConfigVersion.cmake
    ${LIBDIR}/cmake/Tintbox/TintboxTargets.cmake
    ${LIBDIR}/pkgconfig/tintbox.pc
    ${LIBDIR}/libtintboxctl.so
    include/tintbox/tintbox.hpp
    include/tintbox/tintbox_shell.h)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
  -DCMAKE_PREFIX_PATH=${prefix}
  -DCMAKE_C_COMPILER=${C_COMPILER}
  -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
  -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
  "-DCMAKE_C_FLAGS=${EXTRA_FLAGS}"
  "-DCMAKE_CXX_FLAGS=${EXTRA_FLAGS}"
  -DWITH_QT=${WITH_QT})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build -j 2)
set(programs core_consumer shell_consumer)
if(WITH_QT)
  list(APPEND programs qt_consumer)
endif()
foreach(program ${programs})
  run(${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ${WORK_DIR}/build/${program})
endforeach()

# pkg-config, straight from the compiler's command line.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/${LIBDIR}/pkgconfig
    pkg-config --cflags --libs tintbox
  RESULT_VARIABLE result OUTPUT_VARIABLE pkg_flags OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know tintbox")
endif()
separate_arguments(pkg_flags UNIX_COMMAND "${pkg_flags}")
separate_arguments(extra_flags UNIX_COMMAND "${EXTRA_FLAGS}")
run(${CXX_COMPILER} -std=c++17 ${extra_flags} ${SOURCE_DIR}/core_consumer.cpp ${pkg_flags}
  -o ${WORK_DIR}/pkg_config_consumer)
run(${WORK_DIR}/pkg_config_consumer)
file(REMOVE_RECURSE ${WORK_DIR})
