# End-to-end tests: the real Tapwright.exe under Wine on the test display, driven from a
# second program (the test) through the desktop: windows, global hotkeys, synthetic input,
# dialogs, the list file, the registry, and local update and report servers.
# Each test program gets a Wine prefix of its own (registry, DPI) and holds the display.
if(TW_TARGET STREQUAL "win64" AND TW_TESTS)
  foreach(part window hotkeys services screen caret x_screen shell)
    set(test app_e2e_${part}_test)
    tw_test(${test} SOURCES tests/e2e/${part}_e2e_test.cpp tests/e2e/tapwright_driver_win.cpp
            LIBS olib_test_http_server core_win32 psapi user32 advapi32
            WINDOWS_ONLY DISPLAY PRIVATE_PREFIX TIMEOUT 300)
    target_include_directories(${test} PRIVATE tests/e2e)
    target_compile_definitions(${test} PRIVATE TW_TAPWRIGHT_EXE="$<TARGET_FILE:Tapwright>"
                                               TW_E2E_SHOT_DIR="${CMAKE_CURRENT_BINARY_DIR}")
    add_dependencies(${test} Tapwright)
  endforeach()
  # It reads the X server's own pixels: on a display of its own.
  set_property(TEST app_e2e_x_screen_test APPEND PROPERTY ENVIRONMENT TW_WINE_OWN_DISPLAY=1)
endif()
