qmx_add_test(test_monitor_logic SOURCES monitor/test_monitor_logic.cpp LIBS qmx_monitor)
qmx_add_test(test_monitor_window SOURCES monitor/test_monitor_window.cpp
             LIBS qmx_monitor qmx_catalogue_core qmx_sim TIMEOUT 90)
# The red line-state label laid out whole at scale 1 and 2, and "line back" never beside it.
add_executable(test_line_messages monitor/test_line_messages.cpp)
target_link_libraries(test_line_messages PRIVATE qmx_testsupport qmx_monitor qmx_trend qmx_shell)
foreach(scale 1 2)
    add_test(NAME test_line_messages_x${scale} COMMAND test_line_messages)
    set_tests_properties(test_line_messages_x${scale} PROPERTIES TIMEOUT 60
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_SCALE_FACTOR=${scale};QMX_DATA_DIR=${CMAKE_SOURCE_DIR}/data")
endforeach()
