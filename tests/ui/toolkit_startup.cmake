# Start-up: the single-instance guard, and the `zel` program itself run as a process.
zel_test(toolkit_instance_lock_test unit ${CMAKE_CURRENT_LIST_DIR}/toolkit_instance_lock_test.cpp)
target_link_libraries(toolkit_instance_lock_test PRIVATE zel_platform)

if(ZEL_BUILD_GUI)
    zel_test(toolkit_startup_test integration ${CMAKE_CURRENT_LIST_DIR}/toolkit_startup_test.cpp)
    target_link_libraries(toolkit_startup_test PRIVATE zel_platform)
    add_dependencies(toolkit_startup_test zel)
endif()

zel_test(toolkit_startup_headless_test unit
         ${CMAKE_CURRENT_LIST_DIR}/toolkit_startup_headless_test.cpp)
target_link_libraries(toolkit_startup_headless_test PRIVATE zel_startup zel_ui_headless)
