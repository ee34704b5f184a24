# The Debian packages (CPack's DEB generator), one for each install component:
#
#   runtime    -> libtintbox1              libtintboxctl.so (no Qt)
#   windowless -> libtintbox-windowless1   its windowless module (the Qt skin offscreen)
#   gtk4       -> libtintbox-gtk4-1        the GTK 4 widget library
#   typelib    -> gir1.2-tintboxgtk-1.0    its GObject introspection typelib
#   quick      -> qml6-module-tintbox      the QML module Tintbox and its library
#   dev        -> libtintbox-dev           headers, static libraries, CMake and pkg-config
#                                          files, the .gir
#   designer   -> tintbox-designer-plugin  the Qt Designer plugin
#   demo       -> tintbox-demo             tintbox-demo (and tintbox-qml-demo)
#   script     -> tintbox-script           the headless driver
#   python     -> python3-tintbox          the Python package, in /usr/lib/python3/dist-packages
#
# Configure with -DCMAKE_INSTALL_PREFIX=/usr and
# -DTINTBOX_SHELL_INSTALL_DIR=lib/<multiarch>/tintbox (Debian keeps a library without a
# soname, loaded with dlopen, out of the linker's path), then run `cpack -G DEB`;
# scripts/package.sh does both. Library dependencies come from dpkg-shlibdeps; a package
# that needs another of these gets it at the same version.

set(CPACK_PACKAGE_NAME tintbox)
set(CPACK_PACKAGE_VENDOR "Tintbox")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(TINTBOX_DEB_MAINTAINER
  "Tintbox maintainers <maintainers@users.noreply.c-seed-484802c1.example>"
  CACHE STRING "The Maintainer field of the Debian packages")
set(CPACK_PACKAGE_CONTACT "${TINTBOX_DEB_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# name | section | description: the synopsis, then the long text in lines of at most 80.
set(_tintbox_deb_runtime libtintbox1 libs
  "Tintbox colour-picker control - in-process server
libtintboxctl.so: the Tintbox control for any language that can call C
(class factory, dispatch by id or name, Change events).")
set(_tintbox_deb_windowless libtintbox-windowless1 libs
  "Tintbox colour-picker control - windowless control
The control for hosts that draw it into a window of their own (GTK, SDL, Xlib,
Python), handed out by libtintboxctl.so: the Qt skin drawn offscreen.")
set(_tintbox_deb_gtk4 libtintbox-gtk4-1 libs
  "Tintbox colour-picker control - GTK 4 widget
The native GTK 4 widget TintboxGtkPicker (libtintbox-gtk4).")
set(_tintbox_deb_typelib gir1.2-tintboxgtk-1.0 introspection
  "Tintbox colour-picker control - GTK 4 widget introspection data
TintboxGtk-1.0: the widget TintboxGtkPicker from Python, JavaScript and the
other languages that read GObject introspection data.")
set(_tintbox_deb_quick qml6-module-tintbox libs
  "Tintbox colour-picker control - Qt Quick item
The QML module Tintbox with the item TintboxPicker: with `import Tintbox`,
a QML application has the control and needs no C++.")
set(_tintbox_deb_dev libtintbox-dev libdevel
  "Tintbox colour-picker control - development files
Headers, the static core and Qt Widgets libraries, the CMake package
(find_package(Tintbox)), the pkg-config files tintbox and tintbox-gtk4,
and the GTK widget's .gir.")
set(_tintbox_deb_designer tintbox-designer-plugin devel
  "Tintbox colour-picker control - Qt Designer plugin
Places the Tintbox widget on forms in Qt Designer, under Input Widgets.")
set(_tintbox_deb_demo tintbox-demo graphics
  "Tintbox colour-picker control - demo
tintbox-demo shows the control in a Qt Widgets window; tintbox-qml-demo
shows the Qt Quick item.")
set(_tintbox_deb_script tintbox-script devel
  "Tintbox colour-picker control - headless script driver
tintbox-script drives a headless control as a host and a person would, from
a script of calls, key presses and mouse gestures.")
set(_tintbox_deb_python python3-tintbox python
  "Tintbox colour-picker control - Python 3 package
The package tintbox: the control and the windowless control from Python,
through ctypes over libtintboxctl.so.")

set(CPACK_COMPONENTS_ALL runtime dev script python)
set(CPACK_COMPONENT_DEV_DEPENDS runtime script)
set(CPACK_COMPONENT_PYTHON_DEPENDS runtime)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3")
if(TARGET tintbox_shell_windowless)
  list(APPEND CPACK_COMPONENTS_ALL windowless)
  set(CPACK_COMPONENT_WINDOWLESS_DEPENDS runtime)
  # The package's WindowlessTintbox needs it; its Tintbox does not.
  set(CPACK_DEBIAN_PYTHON_PACKAGE_RECOMMENDS "libtintbox-windowless1 (= ${PROJECT_VERSION})")
endif()
set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA
  "${CMAKE_CURRENT_LIST_DIR}/debian/python/postinst;${CMAKE_CURRENT_LIST_DIR}/debian/python/prerm")
set(_tintbox_dev_depends "pkg-config")
if(TARGET tintbox_qt)
  # TintboxConfig.cmake looks for Qt 6 Widgets and DBus; the Qt front end's static
  # libraries link libxcb.
  string(APPEND _tintbox_dev_depends ", qt6-base-dev, libxcb1-dev")
endif()
if(TARGET tintbox_gtk4)
  list(APPEND CPACK_COMPONENTS_ALL gtk4)
  list(APPEND CPACK_COMPONENT_DEV_DEPENDS gtk4)
  string(APPEND _tintbox_dev_depends ", libgtk-4-dev")
  if(TARGET tintbox_gtk4_typelib)
    list(APPEND CPACK_COMPONENTS_ALL typelib)
    list(APPEND CPACK_COMPONENT_DEV_DEPENDS typelib)
    set(CPACK_COMPONENT_TYPELIB_DEPENDS gtk4)
    set(CPACK_DEBIAN_TYPELIB_PACKAGE_DEPENDS "gir1.2-gtk-4.0")
  endif()
endif()
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${_tintbox_dev_depends}")
if(TARGET tintbox_quick)
  list(APPEND CPACK_COMPONENTS_ALL quick)
  set(CPACK_DEBIAN_QUICK_PACKAGE_DEPENDS "qml6-module-qtquick, qml6-module-qtquick-controls")
  # tintbox-qml-demo links libtintbox_quick.so.1: dpkg-shlibdeps reads it from the build.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${PROJECT_BINARY_DIR}/frontends/qtquick")
  set(CPACK_COMPONENT_DEMO_DEPENDS quick)
endif()
if(TARGET tintbox-demo)
  list(APPEND CPACK_COMPONENTS_ALL demo)
endif()
if(TARGET tintbox_designer_plugin)
  list(APPEND CPACK_COMPONENTS_ALL designer)
endif()

# The Debian changelog entry of this version, dated by SOURCE_DATE_EPOCH when it is set
# (string(TIMESTAMP) reads it), and compressed as Debian does (gzip -9n).
string(TIMESTAMP TINTBOX_DEB_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in
  ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
execute_process(COMMAND ${TINTBOX_GZIP} -9n -c ${PROJECT_BINARY_DIR}/debian/changelog
  OUTPUT_FILE ${PROJECT_BINARY_DIR}/debian/changelog.gz COMMAND_ERROR_IS_FATAL ANY)

foreach(_tintbox_component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${_tintbox_component} _tintbox_upper)
  list(GET _tintbox_deb_${_tintbox_component} 0 _tintbox_package)
  list(GET _tintbox_deb_${_tintbox_component} 1 _tintbox_section)
  list(GET _tintbox_deb_${_tintbox_component} 2 _tintbox_description)
  set(CPACK_DEBIAN_${_tintbox_upper}_PACKAGE_NAME ${_tintbox_package})
  set(CPACK_DEBIAN_${_tintbox_upper}_PACKAGE_SECTION ${_tintbox_section})
  set(CPACK_COMPONENT_${_tintbox_upper}_DESCRIPTION "${_tintbox_description}")
  # Each package's copyright and changelog, installed only into its package.
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${_tintbox_package}
    COMPONENT ${_tintbox_component} EXCLUDE_FROM_ALL)
endforeach()
# A shlibs file for each library with a soname, and the ldconfig trigger for the
# packages that hold one.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
foreach(_tintbox_library_package GTK4 QUICK)
  set(CPACK_DEBIAN_${_tintbox_library_package}_PACKAGE_CONTROL_EXTRA
    "${CMAKE_CURRENT_LIST_DIR}/debian/triggers")
endforeach()

include(CPack)
