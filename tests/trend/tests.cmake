# Trend recording and display.
qmx_add_test(test_trend_files SOURCES trend/test_trend_files.cpp LIBS qmx_trend)
qmx_add_test(test_trend_readout SOURCES trend/test_trend_readout.cpp LIBS qmx_trend)
qmx_add_test(test_trend_logic SOURCES trend/test_trend_logic.cpp LIBS qmx_trend)
qmx_add_test(test_trend_run SOURCES trend/test_trend_run.cpp LIBS qmx_trend qmx_sim TIMEOUT 90)
qmx_add_test(test_trend_open SOURCES trend/test_trend_open.cpp LIBS qmx_trend)
