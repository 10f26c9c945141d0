# List files on disk: whole-file and bounded reads, atomic replacement, the executable's own path.
if(TW_WINDOWS)
  add_library(app_sys_files STATIC src/sys/file_io_win.cpp src/sys/module_path_win.cpp)
  target_link_libraries(app_sys_files PRIVATE core_win32 core_utf)
else()
  add_library(app_sys_files STATIC src/sys/file_io_posix.cpp src/sys/module_path_posix.cpp)
endif()
target_include_directories(app_sys_files PUBLIC src/sys)

# The click list with its row marker, list operations, loading and saving.
add_library(app_click_list STATIC src/screens/click_list.cpp)
target_include_directories(app_click_list PUBLIC src/screens)
target_link_libraries(app_click_list PUBLIC core_area core_fatal app_sys_files PRIVATE app_i18n
                                                                         app_sys_error)

# Run as root, the read-only case cannot fail to write: it is reported as skipped.
tw_test(app_file_io_test SOURCES tests/file_io_test.cpp LIBS app_sys_files app_sys_error
        SKIPPABLE ReplaceFile.AReadOnlyFileIsNotSavedOver)
tw_test(app_click_list_test SOURCES tests/click_list_test.cpp LIBS app_click_list app_i18n
                                                                   app_sys_files app_sys_error)
# Tests that save or load the default list file (Tapwright.lst beside the test programs in
# app/) hold this lock so that parallel runs do not trip over each other.
if(TEST app_click_list_test)
  set_tests_properties(app_click_list_test PROPERTIES RESOURCE_LOCK app_default_list_file)
endif()
if(TW_WINDOWS)
  # The Windows file API for real under Wine: locked, read-only and non-ASCII targets.
  tw_test(app_file_io_win_test SOURCES tests/file_io_win_test.cpp
          LIBS app_sys_files app_sys_error app_click_list app_i18n core_utf core_win32 WINDOWS_ONLY)
endif()
