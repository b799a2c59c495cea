qmx_add_test(test_monitor_logic SOURCES monitor/test_monitor_logic.cpp LIBS qmx_monitor)
qmx_add_test(test_monitor_window SOURCES monitor/test_monitor_window.cpp
             LIBS qmx_monitor qmx_catalogue_core qmx_sim TIMEOUT 90)
