# The debugger window, on the Qt-free panes.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_library(varnox_debug_gui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/PaneWidgets.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PaneWidgets.h
  ${CMAKE_CURRENT_LIST_DIR}/PaneBox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PaneBox.h
  ${CMAKE_CURRENT_LIST_DIR}/Debug.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Debug.h
)
set_target_properties(varnox_debug_gui PROPERTIES AUTOMOC ON)
target_link_libraries(varnox_debug_gui PUBLIC varnox_debug Qt6::Widgets)
