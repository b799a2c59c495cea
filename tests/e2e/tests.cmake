# End-to-end fault runs: the real program's windows and port against the simulated controller.
qmx_add_test(test_line_loss SOURCES e2e/test_line_loss.cpp e2e/E2eSupport.h LIBS qmx_shell qmx_sim TIMEOUT 90)
qmx_add_test(test_faults SOURCES e2e/test_faults.cpp e2e/E2eSupport.h LIBS qmx_shell qmx_sim TIMEOUT 90)
# qmx-record at 9600 baud against qmx-sim repeating one reply in seven: no cell takes a repeat.
qmx_add_test(test_repeated_replies SOURCES e2e/test_repeated_replies.cpp LIBS qmx_link TIMEOUT 90)
target_compile_definitions(test_repeated_replies PRIVATE QMX_RECORD_EXE="$<TARGET_FILE:qmx-record>"
                           QMX_SIM_EXE="$<TARGET_FILE:qmx-sim>")
add_dependencies(test_repeated_replies qmx-record qmx-sim)
