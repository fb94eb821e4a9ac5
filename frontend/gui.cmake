# The Qt window: threaded timer and main window in a library the tests
# share, and the program `varnox`.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_library(varnox_gui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ThdTimer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ThdTimer.h
  ${CMAKE_CURRENT_LIST_DIR}/Main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Main.h
  ${CMAKE_CURRENT_LIST_DIR}/MainMenu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainWidgets.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainWidgets.h
  ${CMAKE_CURRENT_LIST_DIR}/KeyMapWindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KeyMapWindow.h
  ${CMAKE_CURRENT_LIST_DIR}/QtKeys.h
)
set_target_properties(varnox_gui PROPERTIES AUTOMOC ON)
target_link_libraries(varnox_gui PUBLIC varnox_emu Qt6::Widgets)

add_executable(varnox ${CMAKE_CURRENT_LIST_DIR}/Program.cpp)
set_target_properties(varnox PROPERTIES AUTOMOC ON)
target_compile_definitions(varnox PRIVATE VARNOX_VERSION="${PROJECT_VERSION}")
target_link_libraries(varnox PRIVATE varnox_gui varnox_debug_gui)
