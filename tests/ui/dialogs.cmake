# The parameter dialogs and the About box, run headless as a user would, against a recording
# Modbus TCP peer inside the test and against zel-sim.
if(TARGET zel_ui_headless AND TARGET zel_comm)
    add_library(dialogs_test_support STATIC
        ${CMAKE_CURRENT_LIST_DIR}/dialogs_fixture.cpp
        ${CMAKE_CURRENT_LIST_DIR}/dialogs_peer.cpp)
    target_include_directories(dialogs_test_support PUBLIC ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(dialogs_test_support PUBLIC GTest::gtest zel_protocol zel_app zel_comm
                                               zel_ui_headless
                                               PRIVATE zel_warnings)

    zel_test(dialogs_headless_test integration
        ${CMAKE_CURRENT_LIST_DIR}/dialogs_rs485_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/dialogs_pelec_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/dialogs_about_test.cpp)
    target_link_libraries(dialogs_headless_test PRIVATE dialogs_test_support zel_ui_headless
                                                        zel_ui_logic zel_comm zel_config zel_app)
    # The tests read the built string table and start zel-sim from the program folder.
    foreach(needed zel_strings zel-sim)
        if(TARGET ${needed})
            add_dependencies(dialogs_headless_test ${needed})
        endif()
    endforeach()
endif()
