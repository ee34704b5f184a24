# What every Qt front end (the widgets here, the Qt Quick item of frontends/qtquick/)
# shares, with no Qt Widgets in it: the screen, clipboard and font services, the X11
# screen reader, the desktop portal's colour pick and the eyedropper's way through it,
# the accessibility names, the fitted field font and picture conversion.
find_package(Qt6 REQUIRED COMPONENTS Gui DBus)
find_package(X11)

set(_tintbox_qt_src ${CMAKE_CURRENT_LIST_DIR}/src)
add_library(tintbox_qtgui STATIC
  ${_tintbox_qt_src}/accessible_names.cpp
  ${_tintbox_qt_src}/accessible_names.hpp
  ${_tintbox_qt_src}/qt_control_support.cpp
  ${_tintbox_qt_src}/qt_control_support.hpp
  ${_tintbox_qt_src}/qt_platform.cpp
  ${_tintbox_qt_src}/qt_platform.hpp
  ${_tintbox_qt_src}/portal_picker.cpp
  ${_tintbox_qt_src}/portal_picker.hpp
  ${_tintbox_qt_src}/system_pick.cpp
  ${_tintbox_qt_src}/system_pick.hpp)
set_target_properties(tintbox_qtgui PROPERTIES AUTOMOC ON)
target_include_directories(tintbox_qtgui PUBLIC $<BUILD_INTERFACE:${_tintbox_qt_src}>)
target_link_libraries(tintbox_qtgui PUBLIC tintbox Qt6::Gui Qt6::DBus)
# On X11 the eyedropper reads the screen over xcb, pointer and pixels in one round trip;
# Xlib names the display for the connection an eyedropper run opens of its own.
if(X11_xcb_FOUND AND X11_FOUND)
  target_sources(tintbox_qtgui PRIVATE ${_tintbox_qt_src}/x11_pixels.cpp
    ${_tintbox_qt_src}/x11_pixels.hpp)
  target_compile_definitions(tintbox_qtgui PUBLIC TINTBOX_QT_HAS_XCB)
  target_link_libraries(tintbox_qtgui PRIVATE xcb X11)
endif()
set_target_properties(tintbox_qtgui PROPERTIES EXPORT_NAME qtgui)
install(TARGETS tintbox_qtgui EXPORT TintboxTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  COMPONENT dev)
