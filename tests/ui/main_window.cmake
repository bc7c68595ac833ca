# The main window's logic, driven through the headless toolkit. Unit tests need no peer; the
# device tests talk to a Modbus TCP peer on 127.0.0.1 and to zel-sim on a pseudo-terminal.
if(TARGET zel_ui_headless)
    zel_test(main_window_test unit main_window_test.cpp main_window_display_test.cpp
             main_window_fixture.cpp)
    target_link_libraries(main_window_test PRIVATE zel_ui_headless)

    find_package(PkgConfig REQUIRED)
    pkg_check_modules(MODBUS REQUIRED IMPORTED_TARGET libmodbus)
    zel_test(main_window_device_test integration main_window_device_test.cpp
             main_window_commands_test.cpp main_window_fixture.cpp main_window_peer.cpp
             main_window_sim.cpp)
    target_link_libraries(main_window_device_test PRIVATE zel_ui_headless PkgConfig::MODBUS)

    # The tests read the program's string table, and the serial test runs the simulator.
    foreach(needed zel_strings zel-sim)
        if(TARGET ${needed})
            add_dependencies(main_window_test ${needed})
            add_dependencies(main_window_device_test ${needed})
        endif()
    endforeach()
endif()

# The real window on Qt Widgets, offscreen, against zel-sim.
if(TARGET zel_ui_qt)
    find_package(Qt6 REQUIRED COMPONENTS Test)
    zel_test(main_window_qt_test gui main_window_qt_test.cpp main_window_sim.cpp)
    target_link_libraries(main_window_qt_test PRIVATE zel_ui_qt zel_layout_qt Qt6::Test)
    foreach(needed zel_strings zel-sim)
        if(TARGET ${needed})
            add_dependencies(main_window_qt_test ${needed})
        endif()
    endforeach()
endif()
