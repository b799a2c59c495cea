# Trend recording and display.
qmx_add_test(test_trend_files SOURCES trend/test_trend_files.cpp LIBS qmx_trend)
