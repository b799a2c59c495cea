# The controller simulator, driven from the program's side of the pty with plain termios calls.
qmx_add_test(test_sim SOURCES sim/test_sim.cpp LIBS qmx_sim TIMEOUT 60)
