# Installation of the shell library, the Qt skin, the GTK widget and the Designer plugin,
# and the files
# through which other projects find an installed Tintbox: exported CMake targets in the
# Tintbox:: namespace with a version file, and a pkg-config file.
include(CMakePackageConfigHelpers)

set(TINTBOX_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/Tintbox" CACHE STRING
  "Where the CMake package files of Tintbox are installed")

if(TARGET tintbox_shell)
  install(TARGETS tintbox_shell tintbox_shell_api EXPORT TintboxTargets
    LIBRARY DESTINATION ${TINTBOX_SHELL_INSTALL_DIR} COMPONENT runtime)
  install(FILES ${PROJECT_SOURCE_DIR}/hosts/c/include/tintbox/tintbox_shell.h
    ${PROJECT_SOURCE_DIR}/frontends/windowless/include/tintbox/tintbox_windowless.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tintbox COMPONENT dev)
endif()

# The Qt skin installs itself into the export set; here it gets its exported name
# Tintbox::qt, and the package learns which imported targets it needs.
set(TINTBOX_PACKAGE_HAS_QT OFF)
if(TARGET tintbox_qt)
  set(TINTBOX_PACKAGE_HAS_QT ON)
  set_target_properties(tintbox_qt PROPERTIES EXPORT_NAME qt)
endif()

set(TINTBOX_PACKAGE_HAS_GTK4 OFF)
if(TARGET tintbox_gtk4)
  set(TINTBOX_PACKAGE_HAS_GTK4 ON)
endif()

if(TARGET tintbox_designer_plugin)
  install(TARGETS tintbox_designer_plugin LIBRARY DESTINATION ${TINTBOX_DESIGNER_PLUGIN_DIR}
    COMPONENT designer)
endif()

install(EXPORT TintboxTargets
  NAMESPACE Tintbox::
  FILE TintboxTargets.cmake
  DESTINATION ${TINTBOX_INSTALL_CMAKEDIR}
  COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/TintboxConfig.cmake.in
  ${PROJECT_BINARY_DIR}/TintboxConfig.cmake
  INSTALL_DESTINATION ${TINTBOX_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TintboxConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/TintboxConfig.cmake
  ${PROJECT_BINARY_DIR}/TintboxConfigVersion.cmake
  DESTINATION ${TINTBOX_INSTALL_CMAKEDIR}
  COMPONENT dev)

# The pkg-config file finds its prefix from its own place, so an installed tree can move.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(TINTBOX_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  set(TINTBOX_PC_LIBDIR "${CMAKE_INSTALL_FULL_LIBDIR}")
  set(TINTBOX_PC_INCLUDEDIR "${CMAKE_INSTALL_FULL_INCLUDEDIR}")
else()
  file(RELATIVE_PATH _tintbox_pc_up "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
  string(REGEX REPLACE "/$" "" _tintbox_pc_up "${_tintbox_pc_up}")
  set(TINTBOX_PC_PREFIX "\${pcfiledir}/${_tintbox_pc_up}")
  set(TINTBOX_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
  set(TINTBOX_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
# shell_library: the path a C host hands to dlopen (`pkg-config --variable=shell_library tintbox`).
set(TINTBOX_PC_SHELL_LIBRARY "")
if(TARGET tintbox_shell)
  if(IS_ABSOLUTE "${TINTBOX_SHELL_INSTALL_DIR}")
    set(_tintbox_pc_shell_dir "${TINTBOX_SHELL_INSTALL_DIR}")
  else()
    set(_tintbox_pc_shell_dir "\${prefix}/${TINTBOX_SHELL_INSTALL_DIR}")
  endif()
  set(TINTBOX_PC_SHELL_LIBRARY "shell_library=${_tintbox_pc_shell_dir}/libtintboxctl.so")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/tintbox.pc.in ${PROJECT_BINARY_DIR}/tintbox.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tintbox.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT dev)
if(TARGET tintbox_gtk4)
  configure_file(${PROJECT_SOURCE_DIR}/frontends/gtk/tintbox-gtk4.pc.in
    ${PROJECT_BINARY_DIR}/tintbox-gtk4.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/tintbox-gtk4.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    COMPONENT dev)
endif()

# Windows builds are packaged by hosts/com.
if(NOT WIN32)
  # The programs' manual pages, compressed as Debian installs them (gzip -9n: no name,
  # no date).
  find_program(TINTBOX_GZIP gzip REQUIRED)
  function(tintbox_install_manual_page program component)
    if(TARGET ${program})
      set(_page ${PROJECT_BINARY_DIR}/man/${program}.1)
      configure_file(${PROJECT_SOURCE_DIR}/docs/man/${program}.1.in ${_page} @ONLY)
      execute_process(COMMAND ${TINTBOX_GZIP} -9n -c ${_page} OUTPUT_FILE ${_page}.gz
        COMMAND_ERROR_IS_FATAL ANY)
      install(FILES ${_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
    endif()
  endfunction()
  tintbox_install_manual_page(tintbox-script script)
  tintbox_install_manual_page(tintbox-demo demo)
  tintbox_install_manual_page(tintbox-qml-demo demo)

  include(${CMAKE_CURRENT_LIST_DIR}/debian-packages.cmake)
endif()
