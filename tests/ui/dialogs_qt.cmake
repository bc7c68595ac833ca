# The parameter dialogs and the About box on real Qt widgets (offscreen), driven by clicks and
# key presses.
if(ZEL_BUILD_GUI AND TARGET zel_ui_qt AND TARGET dialogs_test_support)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    zel_test(dialogs_qt_test gui ${CMAKE_CURRENT_LIST_DIR}/dialogs_qt_test.cpp)
    target_link_libraries(dialogs_qt_test PRIVATE dialogs_test_support zel_ui_qt zel_comm
                                                  zel_config zel_app Qt6::Test)
    if(TARGET zel_strings)
        add_dependencies(dialogs_qt_test zel_strings)
    endif()
endif()
