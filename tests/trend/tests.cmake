# Trend recording and display.
qmx_add_test(test_trend_files SOURCES trend/test_trend_files.cpp LIBS qmx_trend)
qmx_add_test(test_readout_statistics SOURCES trend/test_readout_statistics.cpp LIBS qmx_trend)
qmx_add_test(test_readout_engineering SOURCES trend/test_readout_engineering.cpp LIBS qmx_trend)
qmx_add_test(test_readout_window SOURCES trend/test_readout_window.cpp LIBS qmx_trend qmx_shell)
qmx_add_test(test_trend_window_controls SOURCES trend/test_trend_window_controls.cpp LIBS qmx_trend)
qmx_add_test(test_channel_presets SOURCES trend/test_channel_presets.cpp LIBS qmx_trend_core)
qmx_add_test(test_run_start SOURCES trend/test_run_start.cpp LIBS qmx_trend_core)
qmx_add_test(test_graph_pixels SOURCES trend/test_graph_pixels.cpp LIBS qmx_trend)
qmx_add_test(test_sampling_pass SOURCES trend/test_sampling_pass.cpp LIBS qmx_trend)
qmx_add_test(test_read_plan SOURCES trend/test_read_plan.cpp LIBS qmx_trend_core)
qmx_add_test(test_csv_writer SOURCES trend/test_csv_writer.cpp LIBS qmx_trend_core)
qmx_add_test(test_read_modes SOURCES trend/test_read_modes.cpp LIBS qmx_trend qmx_shell qmx_sim TIMEOUT 90)
qmx_add_test(test_trend_run SOURCES trend/test_trend_run.cpp LIBS qmx_trend qmx_shell qmx_sim TIMEOUT 90)
qmx_add_test(test_trend_open SOURCES trend/test_trend_open.cpp LIBS qmx_trend)
qmx_add_test(test_trend_export SOURCES trend/test_trend_export.cpp LIBS qmx_trend qmx_shell qmx_sim TIMEOUT 90)
# The error trace's time stamp, once per system locale of the process.
add_executable(test_trace_time trend/test_trace_time.cpp)
target_link_libraries(test_trace_time PRIVATE qmx_testsupport qmx_trend)
foreach(locale C en_US.UTF-8 de_DE.UTF-8 ja_JP.UTF-8)
    add_test(NAME test_trace_time_${locale} COMMAND test_trace_time)
    set_tests_properties(test_trace_time_${locale} PROPERTIES TIMEOUT 30
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=${locale};LC_ALL=${locale};TZ=Europe/Berlin")
endforeach()
# Triggered capture: the trigger core's conditions, capture and set-up file.
qmx_add_test(test_trigger SOURCES trend/test_trigger.cpp LIBS qmx_trend_core)
# The trigger rule for whole numbers and doubles alike, and the joining of two conditions.
qmx_add_test(test_trigger_rule SOURCES trend/test_trigger_rule.cpp TIMEOUT 30)
qmx_add_test(test_trend_trigger SOURCES trend/test_trend_trigger.cpp LIBS qmx_trend qmx_shell qmx_sim qmx_recording_core TIMEOUT 120)
# Passes over a noisy line and a stalling controller: never a value in another channel.
qmx_add_test(test_noisy_line SOURCES trend/test_noisy_line.cpp LIBS qmx_trend qmx_sim TIMEOUT 180)
# A run's error trace that cannot be written where it began goes on in the user's data folder.
qmx_add_test(test_trend_error_trace SOURCES trend/test_trend_error_trace.cpp LIBS qmx_trend qmx_shell qmx_sim TIMEOUT 60)
# Closing and table clicks that would lose a run ask first; a recording chosen before RUN.
qmx_add_test(test_lose_work SOURCES trend/test_lose_work.cpp LIBS qmx_trend qmx_shell qmx_sim TIMEOUT 90)
# The Trend Graph's keys, the graph menu from the keyboard, the Read-out's header tips, Help > About.
qmx_add_test(test_trend_keys SOURCES trend/test_trend_keys.cpp LIBS qmx_trend qmx_shell TIMEOUT 60)
# Math channels: the dialog and its file, a run's results row for row, the traces' pixels, the read-out and export.
qmx_add_test(test_trend_math SOURCES trend/test_trend_math.cpp LIBS qmx_trend qmx_shell qmx_sim TIMEOUT 90)
# "Record to file" of a run with math channels: their columns, a failed read's empty cell.
qmx_add_test(test_trend_math_recording SOURCES trend/test_trend_math_recording.cpp LIBS qmx_trend qmx_shell qmx_sim
             TIMEOUT 90)

# The include graph of trend/: folder order, no program files that include each other, no widgets
# in model/ and readout/ (tools/trend_include_graph.cmake); and the check itself over a tree with
# one fault of each kind.
get_target_property(qmxWidgetsDirs Qt6::Widgets INTERFACE_INCLUDE_DIRECTORIES)
list(FILTER qmxWidgetsDirs INCLUDE REGEX "QtWidgets/?$")
add_test(NAME trend_include_graph
         COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} "-DWIDGETS_DIRS=${qmxWidgetsDirs}"
                 -P ${CMAKE_SOURCE_DIR}/tools/trend_include_graph.cmake)
add_test(NAME trend_include_graph_faults
         COMMAND ${CMAKE_COMMAND} -DCHECK=${CMAKE_SOURCE_DIR}/tools/trend_include_graph.cmake
                 "-DWIDGETS_DIRS=${qmxWidgetsDirs}"
                 -P ${CMAKE_CURRENT_SOURCE_DIR}/trend/include_graph_faults/check.cmake)
