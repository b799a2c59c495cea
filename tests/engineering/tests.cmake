# Engineering values without widgets: the units file, math channels, step-response figures (also
# over responses the simulator plays, read through the real link).
qmx_add_test(test_units_table SOURCES engineering/test_units_table.cpp LIBS qmx_engineering TIMEOUT 30)
qmx_add_test(test_math_channels SOURCES engineering/test_math_channels.cpp LIBS qmx_engineering TIMEOUT 30)
# A run's scales and math channels as the Trend Graph and qmx-record compute them.
qmx_add_test(test_run_math SOURCES engineering/test_run_math.cpp LIBS qmx_engineering qmx_trend_core TIMEOUT 30)
qmx_add_test(test_step_response SOURCES engineering/test_step_response.cpp LIBS qmx_engineering qmx_link qmx_sim
             TIMEOUT 60)
qmx_add_test(test_units_dialog SOURCES engineering/test_units_dialog.cpp LIBS qmx_engineering_widgets qmx_trend qmx_catalogue)
