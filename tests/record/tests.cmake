# The command-line recorder against the simulator, and a line that goes away and comes back during
# a recording and during a Trend Graph run.
qmx_add_test(test_recording SOURCES record/test_recording.cpp LIBS qmx_record_core qmx_trend qmx_shell qmx_sim TIMEOUT 120)
target_compile_definitions(test_recording PRIVATE QMX_RECORD_EXE="$<TARGET_FILE:qmx-record>")
add_dependencies(test_recording qmx-record)
# Triggered capture against the simulator's scripted values, and qmx-record --trigger.
qmx_add_test(test_trigger_capture SOURCES record/test_trigger_capture.cpp LIBS qmx_record_core qmx_sim TIMEOUT 120)
target_compile_definitions(test_trigger_capture PRIVATE QMX_RECORD_EXE="$<TARGET_FILE:qmx-record>")
add_dependencies(test_trigger_capture qmx-record)
# qmx-record's arguments: lengths of time, outputs, names the outputs keep for themselves, names
# on a fresh install, /dev/null as --out.
qmx_add_test(test_record_options SOURCES record/test_record_options.cpp LIBS qmx_record_core qmx_recording_core qmx_sim
             TIMEOUT 120)
target_compile_definitions(test_record_options PRIVATE QMX_RECORD_EXE="$<TARGET_FILE:qmx-record>")
add_dependencies(test_record_options qmx-record)
# qmx-record's output file: a full disk, --out that is no regular file, runs without a row, a stop
# during --data-read, --presets that is no regular file.
qmx_add_test(test_record_output SOURCES record/test_record_output.cpp LIBS qmx_sim TIMEOUT 120)
target_compile_definitions(test_record_output PRIVATE QMX_RECORD_EXE="$<TARGET_FILE:qmx-record>")
add_dependencies(test_record_output qmx-record)
# qmx-record --format influx: every line read by a strict parser against the simulator's memory,
# and a real InfluxDB (Debian's influxd on loopback ports of the test's own) taking them.
qmx_add_test(test_record_influx SOURCES record/test_record_influx.cpp record/InfluxLineParser.h
             LIBS qmx_record_core qmx_sim Qt6::Network TIMEOUT 120)
target_compile_definitions(test_record_influx PRIVATE QMX_RECORD_EXE="$<TARGET_FILE:qmx-record>")
add_dependencies(test_record_influx qmx-record)
# qmx-record --publish against a real Mosquitto started by the test on loopback ports: a broker
# stopped for 10 s mid-run, a recorder stopped while passes wait, the spool's bound, a spool disk
# that fills up (a file-size limit; a 64 KiB file system where a mount namespace can be made).
qmx_add_test(test_record_publish SOURCES record/test_record_publish.cpp record/MqttTestParts.h
             LIBS qmx_sim Qt6::Network PkgConfig::MOSQUITTO TIMEOUT 180)
target_compile_definitions(test_record_publish PRIVATE QMX_RECORD_EXE="$<TARGET_FILE:qmx-record>")
add_dependencies(test_record_publish qmx-record)
# The datagram stream of a run (udp://): the target's forms, a real receiver on loopback, a
# receiver not there, a message no datagram holds.
qmx_add_test(test_record_stream SOURCES record/test_record_stream.cpp LIBS qmx_record_core Qt6::Network)
# The spool of --publish: order across segments and starts, a cut message after a crash, the bound,
# a file-size limit.
qmx_add_test(test_spool SOURCES record/test_spool.cpp LIBS qmx_record_core)
# qmx-record --rotate and --keep: files by time and by size, no pass lost or written twice, the
# oldest beyond --keep deleted, a full disk.
qmx_add_test(test_record_rotate SOURCES record/test_record_rotate.cpp LIBS qmx_record_core qmx_sim TIMEOUT 120)
target_compile_definitions(test_record_rotate PRIVATE QMX_RECORD_EXE="$<TARGET_FILE:qmx-record>")
add_dependencies(test_record_rotate qmx-record)
# qmx-record's engineering values: --units, --scaled, --math and a trigger on a math channel.
qmx_add_test(test_record_engineering SOURCES record/test_record_engineering.cpp LIBS qmx_record_core qmx_sim TIMEOUT 120)
target_compile_definitions(test_record_engineering PRIVATE QMX_RECORD_EXE="$<TARGET_FILE:qmx-record>")
add_dependencies(test_record_engineering qmx-record)
# qmx-record's refusals of its arguments as the program prints them, with their exit code, and --help.
qmx_add_test(test_record_arguments SOURCES record/test_record_arguments.cpp TIMEOUT 120)
target_compile_definitions(test_record_arguments PRIVATE QMX_RECORD_EXE="$<TARGET_FILE:qmx-record>")
add_dependencies(test_record_arguments qmx-record)
