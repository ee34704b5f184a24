# Installs the build tree into a fresh prefix, then builds and runs a small consumer
# against it through find_package(Tintbox) and through pkg-config.
#
# -DBUILD_DIR -DSOURCE_DIR (the consumer) -DWORK_DIR -DGENERATOR -DC_COMPILER
# -DCXX_COMPILER -DBUILD_TYPE -DLIBDIR -DEXTRA_FLAGS -DWITH_QT -DWITH_GTK
# With -DINSTALLED_PREFIX=DIR (and no BUILD_DIR) it uses the Tintbox already installed
# there instead, as the Debian packages' test does with /usr.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "failed (${result}): ${command}\n${output}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
if(INSTALLED_PREFIX)
  set(prefix ${INSTALLED_PREFIX})
else()
  set(prefix ${WORK_DIR}/prefix)
  run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
endif()

foreach(file
    ${LIBDIR}/cmake/Tintbox/TintboxConfig.cmake
    ${LIBDIR}/cmake/Tintbox/TintboxConfigVersion.cmake
    ${LIBDIR}/cmake/Tintbox/TintboxTargets.cmake
    ${LIBDIR}/pkgconfig/tintbox.pc
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
  -DWITH_QT=${WITH_QT}
  -DWITH_GTK=${WITH_GTK})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build -j 2)
set(programs core_consumer shell_consumer)
if(WITH_QT)
  list(APPEND programs qt_consumer)
endif()
if(WITH_GTK)
  list(APPEND programs gtk_consumer)
  set(gtk_files ${LIBDIR}/pkgconfig/tintbox-gtk4.pc include/tintbox-gtk/tintbox-gtk-picker.h)
  if(WITH_GTK_TYPELIB)  # a sanitizer build makes no introspection data
    list(APPEND gtk_files ${LIBDIR}/girepository-1.0/TintboxGtk-1.0.typelib
      share/gir-1.0/TintboxGtk-1.0.gir)
  endif()
  foreach(file ${gtk_files})
    if(NOT EXISTS ${prefix}/${file})
      message(FATAL_ERROR "not installed: ${file}")
    endif()
  endforeach()
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

# A C host: the header from --cflags, the library it loads from the shell_library variable.
function(pkg_config_query result)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/${LIBDIR}/pkgconfig pkg-config ${ARGN}
    RESULT_VARIABLE status OUTPUT_VARIABLE output OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "pkg-config ${ARGN} failed")
  endif()
  set(${result} "${output}" PARENT_SCOPE)
endfunction()
pkg_config_query(shell_library --variable=shell_library tintbox)
pkg_config_query(pkg_version --modversion tintbox)
pkg_config_query(pkg_cflags --cflags tintbox)
if(NOT EXISTS "${shell_library}")
  message(FATAL_ERROR "pkg-config's shell_library names no file: '${shell_library}'")
endif()
separate_arguments(pkg_cflags UNIX_COMMAND "${pkg_cflags}")
run(${C_COMPILER} ${extra_flags} ${SOURCE_DIR}/shell_consumer.c ${pkg_cflags}
  "-DTINTBOX_SHELL_LIBRARY=\"${shell_library}\"" "-DTINTBOX_EXPECTED_VERSION=\"${pkg_version}\""
  -ldl -o ${WORK_DIR}/pkg_config_shell_consumer)
run(${WORK_DIR}/pkg_config_shell_consumer)
if(WITH_GTK)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/${LIBDIR}/pkgconfig
      pkg-config --cflags --libs tintbox-gtk4
    RESULT_VARIABLE result OUTPUT_VARIABLE gtk_flags OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "pkg-config does not know tintbox-gtk4")
  endif()
  separate_arguments(gtk_flags UNIX_COMMAND "${gtk_flags}")
  run(${C_COMPILER} ${extra_flags} ${SOURCE_DIR}/gtk_consumer.c ${gtk_flags}
    -Wl,-rpath,${prefix}/${LIBDIR} -o ${WORK_DIR}/pkg_config_gtk_consumer)
  run(${WORK_DIR}/pkg_config_gtk_consumer)
endif()
file(REMOVE_RECURSE ${WORK_DIR})
