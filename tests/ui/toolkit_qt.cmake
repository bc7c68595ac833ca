# Tests of the Qt dialog toolkit, on the offscreen platform.
if(ZEL_BUILD_GUI)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    zel_test(qt_toolkit_test gui ${CMAKE_CURRENT_LIST_DIR}/qt_toolkit_test.cpp)
    target_link_libraries(qt_toolkit_test PRIVATE zel_ui_qt Qt6::Test)
    add_dependencies(qt_toolkit_test zel_icon_file)
endif()
