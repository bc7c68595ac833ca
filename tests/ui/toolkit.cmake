# Tests of the dialog toolkits themselves (headless here; the Qt ones need the GUI build).
zel_test(toolkit_headless_test unit ${CMAKE_CURRENT_LIST_DIR}/toolkit_headless_test.cpp)
target_link_libraries(toolkit_headless_test PRIVATE zel_ui_headless)
