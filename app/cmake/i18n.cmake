# The message catalogue: eight languages, lookup, page-template expansion.
add_library(app_i18n STATIC src/i18n/catalog.cpp src/i18n/catalog_table.cpp)
target_include_directories(app_i18n PUBLIC src/i18n)
target_link_libraries(app_i18n PUBLIC core_text PRIVATE core_markup)

tw_test(app_i18n_test SOURCES tests/catalog_test.cpp LIBS app_i18n core_utf)
