# The main window and its desktop integration. The window's size and place and the toast
# XML are portable; the window itself, the notifications, the shell (web pages, list
# dialogs, row menu, update thread) and the message dialog are Win32.
add_library(app_window_parts STATIC src/wnd/window_metrics.cpp src/wnd/toast_xml.cpp)
target_include_directories(app_window_parts PUBLIC src/wnd)
target_link_libraries(app_window_parts PRIVATE core_markup)
tw_test(app_window_parts_test SOURCES tests/window_parts_test.cpp LIBS app_window_parts)

if(TW_WINDOWS)
  add_library(app_wnd STATIC src/wnd/main_window_win.cpp src/wnd/notifications_win.cpp
                             src/wnd/shell_win.cpp src/wnd/message_dialog_win.cpp)
  target_link_libraries(app_wnd PUBLIC app_window_parts app_screen app_runner app_sys_desktop core_win32
                        PRIVATE olib_update olib_common app_sys_files app_sys_error core_utf
                                dwmapi ole32 uuid shell32 user32)

  # The window procedure's rows and the desktop integration on real windows; the theme
  # rows write HKCU, hence a prefix of its own.
  tw_test(app_main_window_win_test SOURCES tests/main_window_win_test.cpp
          LIBS app_wnd ui_host ui_html ui_document olib_common olib_update core_win32
          WINDOWS_ONLY DISPLAY PRIVATE_PREFIX TIMEOUT 400)
endif()
