# The click runner and the global hotkeys, with what they need of the main screen: the
# shared state record, the page's controls and click table by element id, and the binding
# of page events to handlers. Portable: the desktop is reached through small interfaces.
add_library(app_runner STATIC
  src/screens/app_state.cpp
  src/screens/click_table.cpp
  src/screens/hotkey.cpp
  src/screens/hotkeys.cpp
  src/screens/page.cpp
  src/screens/random.cpp
  src/screens/runner.cpp
  src/screens/screen_close.cpp
  src/screens/screen_controls.cpp
  src/screens/screen_options.cpp
  src/screens/screen_view.cpp)
target_include_directories(app_runner PUBLIC src/screens)
target_link_libraries(app_runner PUBLIC app_click_list app_sys_files core_fatal core_mask core_area core_text
                                        ui_include PRIVATE app_i18n)

# The desktop of the runner and the program's settings on Windows: pointer, SendInput,
# window timer, FlashWindowEx, Sleep, RegisterHotKey, and DWORD values under
# HKEY_CURRENT_USER\Software\Orlannet\Tapwright.
if(TW_WINDOWS)
  add_library(app_sys_desktop STATIC src/sys/desktop_win.cpp src/sys/registry_settings_win.cpp
                                     src/sys/system_theme_win.cpp)
  target_include_directories(app_sys_desktop PUBLIC src/sys)
  target_link_libraries(app_sys_desktop PUBLIC app_runner core_utf PRIVATE core_win32)
endif()

set(tw_runner_test_libs app_runner app_i18n app_click_list ui_html ui_document)
tw_test(app_hotkey_test SOURCES tests/hotkey_test.cpp LIBS ${tw_runner_test_libs})
tw_test(app_random_test SOURCES tests/random_test.cpp LIBS ${tw_runner_test_libs})
tw_test(app_state_test SOURCES tests/app_state_test.cpp LIBS ${tw_runner_test_libs})
tw_test(app_screen_view_test SOURCES tests/screen_view_test.cpp LIBS ${tw_runner_test_libs})
tw_test(app_click_table_test SOURCES tests/click_table_test.cpp LIBS ${tw_runner_test_libs})
tw_test(app_runner_test SOURCES tests/runner_test.cpp LIBS ${tw_runner_test_libs})
tw_test(app_hotkeys_test SOURCES tests/hotkeys_test.cpp LIBS ${tw_runner_test_libs})
tw_test(app_screen_options_test SOURCES tests/screen_options_test.cpp LIBS ${tw_runner_test_libs})
tw_test(app_screen_close_test SOURCES tests/screen_close_test.cpp
        LIBS ${tw_runner_test_libs} app_sys_files app_sys_error)
if(TW_WINDOWS AND TW_TESTS)
  # A second program that presses a key, for the hotkey arriving from another process.
  add_executable(app_key_sender tests/key_sender_win.cpp)
  target_link_libraries(app_key_sender PRIVATE core_win32)
  target_link_options(app_key_sender PRIVATE -municode)
endif()
if(TW_WINDOWS)
  # Real clicks into a real window, started through the real hotkey, and the registry.
  tw_test(app_desktop_win_test SOURCES tests/desktop_win_test.cpp
          LIBS app_sys_desktop ${tw_runner_test_libs} core_win32 WINDOWS_ONLY DISPLAY PRIVATE_PREFIX
          TIMEOUT 180)
  # The test moves the shared display's pointer and clicks where it is; like every test on
  # the display it holds the display's lock (tw_test DISPLAY).
  if(TW_TESTS)
    target_compile_definitions(app_desktop_win_test
                               PRIVATE TW_KEY_SENDER="$<TARGET_FILE_NAME:app_key_sender>")
    add_dependencies(app_desktop_win_test app_key_sender)
  endif()
endif()
