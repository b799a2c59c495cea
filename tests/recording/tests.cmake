# Whole recordings: the CSV reader and the min/max pyramid.
qmx_add_test(test_recording_reader SOURCES recording/test_recording_reader.cpp LIBS qmx_recording_core TIMEOUT 30)
qmx_add_test(test_min_max_pyramid SOURCES recording/test_min_max_pyramid.cpp LIBS qmx_recording_core TIMEOUT 30)
# The picture of a recording and its visible span, offscreen; the Recording window in the program.
qmx_add_test(test_recording_picture SOURCES recording/test_recording_picture.cpp LIBS qmx_recording TIMEOUT 30)
qmx_add_test(test_recording_window SOURCES recording/test_recording_window.cpp LIBS qmx_recording qmx_shell TIMEOUT 60)
qmx_add_test(test_recording_readout SOURCES recording/test_recording_readout.cpp LIBS qmx_recording TIMEOUT 30)
qmx_add_test(test_trend_file_recording SOURCES recording/test_trend_file_recording.cpp LIBS qmx_recording TIMEOUT 30)
qmx_add_test(test_reference SOURCES recording/test_reference.cpp LIBS qmx_recording TIMEOUT 30)
qmx_add_test(test_span_export SOURCES recording/test_span_export.cpp LIBS qmx_recording TIMEOUT 30)
qmx_add_test(test_recording_engineering SOURCES recording/test_recording_engineering.cpp LIBS qmx_recording TIMEOUT 30)
# Columns of decimals and "NAME [unit]" headers: the reader, the read-out, references, span export;
# and a file written by the real qmx-record with --scaled, --units and --math, read back.
qmx_add_test(test_recording_decimals SOURCES recording/test_recording_decimals.cpp LIBS qmx_recording TIMEOUT 30)
qmx_add_test(test_recording_recorded SOURCES recording/test_recording_recorded.cpp LIBS qmx_recording qmx_sim TIMEOUT 120)
target_compile_definitions(test_recording_recorded PRIVATE QMX_RECORD_EXE="$<TARGET_FILE:qmx-record>")
add_dependencies(test_recording_recorded qmx-record)
