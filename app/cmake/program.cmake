# Start-up: command line and language choice.
add_library(app_startup STATIC src/startup.cpp)
target_include_directories(app_startup PUBLIC src)
target_link_libraries(app_startup PRIVATE core_text)
tw_test(app_startup_test SOURCES tests/startup_test.cpp LIBS app_startup)

# Tapwright.exe: 64-bit Windows GUI program with its version resource and manifest.
if(TW_TARGET STREQUAL "win64")
  add_executable(Tapwright WIN32 src/main_win.cpp res/Tapwright.rc)
  target_link_libraries(Tapwright PRIVATE app_startup app_wnd app_screen app_i18n app_sys_desktop ui_host
                                          ui_html ui_css_document ui_image olib_except
                                          olib_update olib_common core_utf core_win32 ole32)
  target_link_options(Tapwright PRIVATE -municode)
  set_source_files_properties(res/Tapwright.rc PROPERTIES OBJECT_DEPENDS
                              "${CMAKE_CURRENT_SOURCE_DIR}/res/Tapwright.manifest;${CMAKE_CURRENT_SOURCE_DIR}/res/Tapwright.ico")
endif()

# The version resource (read by the service) and the manifest, checked on the built file.
if(TW_TARGET STREQUAL "win64" AND TW_TESTS)
  add_test(NAME app.Tapwright.static_check
           COMMAND ${PROJECT_SOURCE_DIR}/tools/check-pe x86_64-w64-mingw32-objdump $<TARGET_FILE:Tapwright>
                   --format pei-x86-64 --gui --text FileVersion=2.0.1.0 --text ProductName=Tapwright
                   --manifest Microsoft.Windows.Common-Controls --manifest PerMonitorV2
                   --manifest "<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">UTF-8")
endif()
