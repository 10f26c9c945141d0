# The system's description of an error code.
if(TW_WINDOWS)
  add_library(app_sys_error STATIC src/sys/system_error_win.cpp)
  target_link_libraries(app_sys_error PUBLIC core_utf PRIVATE core_win32)
else()
  add_library(app_sys_error STATIC src/sys/system_error_posix.cpp)
endif()
target_include_directories(app_sys_error PUBLIC src/sys)

set(tw_sys_error_test_libs app_sys_error)
if(TW_WINDOWS)
  list(APPEND tw_sys_error_test_libs core_win32)
endif()
tw_test(app_sys_error_test SOURCES tests/system_error_test.cpp LIBS ${tw_sys_error_test_libs})
