# The main screen as a whole: the page, its stylesheet and the logo compiled in, building
# the screen on a loaded document with every binding, and the message dialog's options.
# Portable: the Windows shell is reached through shell.h.

# Each generated source defines one std::string_view in tw::res (see page_resources.h).
function(tw_embed_text symbol)
  set(inputs "")
  foreach(file ${ARGN})
    list(APPEND inputs ${CMAKE_CURRENT_SOURCE_DIR}/${file})
  endforeach()
  list(JOIN inputs "|" joined)
  set(output ${CMAKE_CURRENT_BINARY_DIR}/res/${symbol}.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${output} -DSYMBOL=${symbol} -DINPUTS=${joined}
            -P ${PROJECT_SOURCE_DIR}/cmake/embed_text.cmake
    DEPENDS ${inputs} ${PROJECT_SOURCE_DIR}/cmake/embed_text.cmake
    COMMENT "Compiling in ${symbol}"
    VERBATIM)
  set(tw_embedded_sources ${tw_embedded_sources} ${output} PARENT_SCOPE)
endfunction()

set(tw_embedded_sources "")
tw_embed_text(main_page_template res/page/main.html)
tw_embed_text(main_page_css res/page/common.css res/page/main.css)
tw_embed_text(logo_svg_text res/logo.svg)

add_library(app_screen STATIC
  src/screens/delay_fields.cpp
  src/screens/main_screen.cpp
  src/screens/message_dialog_options.cpp
  src/screens/screen_list.cpp
  ${tw_embedded_sources})
target_include_directories(app_screen PUBLIC src/screens)
target_link_libraries(app_screen PUBLIC app_runner app_i18n core_mask core_text ui_include
                                 PRIVATE ui_image)

set(tw_screen_test_libs app_screen app_runner app_i18n app_click_list ui_html ui_css_document
                        ui_image ui_document app_sys_files app_sys_error)
tw_test(app_main_page_test SOURCES tests/main_page_test.cpp
        LIBS ${tw_screen_test_libs} ui_css ui_style ui_input)
tw_test(app_main_screen_test SOURCES tests/main_screen_test.cpp LIBS ${tw_screen_test_libs})
tw_test(app_main_page_paint_test SOURCES tests/main_page_paint_test.cpp
        LIBS ${tw_screen_test_libs} ui_paint ui_input)
tw_test(app_delay_fields_test SOURCES tests/delay_fields_test.cpp LIBS ${tw_screen_test_libs})
tw_test(app_screen_list_test SOURCES tests/screen_list_test.cpp LIBS ${tw_screen_test_libs})
tw_test(app_message_dialog_test SOURCES tests/message_dialog_test.cpp
        LIBS ${tw_screen_test_libs})
# These tests load and save list files; the ones that use the default file beside the test
# programs take the lock the list tests take.
foreach(test app_main_screen_test app_screen_list_test app_main_page_paint_test)
  if(TEST ${test})
    set_tests_properties(${test} PROPERTIES RESOURCE_LOCK app_default_list_file)
  endif()
endforeach()

# The main screen laid out as the program builds it, against its reviewed box-tree dumps,
# and the figures of that layout. Layout is portable code: the host build checks it.
if(TARGET ui_layout_dump)
  tw_test(app_main_page_layout_test SOURCES tests/main_page_layout_test.cpp
          LIBS ${tw_screen_test_libs} ui_layout_dump ui_input NATIVE_ONLY)
endif()
if(TARGET ui_layout)
  tw_benchmark(app_main_page_layout_bench SOURCES bench/main_page_layout_bench.cpp
               LIBS ${tw_screen_test_libs} ui_layout ui_paint)
endif()

# The main page driven through the engine's input calls on a laid-out document.
tw_test(app_main_screen_input_test SOURCES tests/main_screen_input_test.cpp
        LIBS ${tw_screen_test_libs} ui_input ui_paint)
if(TEST app_main_screen_input_test)
  set_tests_properties(app_main_screen_input_test PROPERTIES RESOURCE_LOCK app_default_list_file)
endif()

if(TEST app_main_page_layout_test)
  set_tests_properties(app_main_page_layout_test PROPERTIES RESOURCE_LOCK app_default_list_file)
endif()

# A pointer move across the laid-out main page (bench preset for figures).
tw_benchmark(app_pointer_move_bench SOURCES bench/pointer_move_bench.cpp
             LIBS ${tw_screen_test_libs} ui_input GTest::gtest)
if(TARGET app_pointer_move_bench)
  target_include_directories(app_pointer_move_bench PRIVATE tests)
endif()
