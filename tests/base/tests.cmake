# Printing a window, at screen scale factor 1 and 2.
qmx_add_test(test_window_print SOURCES base/test_window_print.cpp LIBS qmx_trend qmx_monitor)
set_property(TEST test_window_print APPEND PROPERTY ENVIRONMENT "QT_SCALE_FACTOR=1")
add_test(NAME test_window_print_scale2 COMMAND test_window_print)
set_tests_properties(test_window_print_scale2 PROPERTIES TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QMX_DATA_DIR=${CMAKE_SOURCE_DIR}/data;QT_SCALE_FACTOR=2")
# The error trace kept to its size limit, one older file beside it.
qmx_add_test(test_error_trace SOURCES base/test_error_trace.cpp)
# Text files read only when they are regular files of bounded size, never waiting on a FIFO.
qmx_add_test(test_text_file SOURCES base/test_text_file.cpp)
# Numbers as the program writes them: seconds, the shortest text of a double, significant digits.
qmx_add_test(test_number_text SOURCES base/test_number_text.cpp TIMEOUT 30)
# Lengths of time through the one parser, with qmx-record's rules and with qmx-sim's.
qmx_add_test(test_duration_text SOURCES base/test_duration_text.cpp LIBS qmx_record_core qmx_sim)
