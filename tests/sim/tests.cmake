# The controller simulator, driven from the program's side of the pty with plain termios calls.
qmx_add_test(test_sim SOURCES sim/test_sim.cpp LIBS qmx_sim TIMEOUT 60)
# qmx-sim's command line: what it takes, what it refuses with its usage and exit code 2.
qmx_add_test(test_sim_options SOURCES sim/test_sim_options.cpp TIMEOUT 120)
target_compile_definitions(test_sim_options PRIVATE QMX_SIM_EXE="$<TARGET_FILE:qmx-sim>")
add_dependencies(test_sim_options qmx-sim)
