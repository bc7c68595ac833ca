# The parameter dialogs and the About box, run headless as a user would, against a recording
# Modbus TCP peer inside the test and against zel-sim.
if(TARGET zel_ui_headless AND TARGET zel_comm)
    zel_test(dialogs_headless_test integration
        ${CMAKE_CURRENT_LIST_DIR}/dialogs_fixture.cpp
        ${CMAKE_CURRENT_LIST_DIR}/dialogs_peer.cpp
        ${CMAKE_CURRENT_LIST_DIR}/dialogs_rs485_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/dialogs_pelec_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/dialogs_about_test.cpp)
    target_link_libraries(dialogs_headless_test PRIVATE zel_ui_headless zel_ui_logic zel_comm
                                                        zel_config zel_app)
    # The tests read the built string table and start zel-sim from the program folder.
    foreach(needed zel_strings zel-sim)
        if(TARGET ${needed})
            add_dependencies(dialogs_headless_test ${needed})
        endif()
    endforeach()
endif()
