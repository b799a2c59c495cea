# End-to-end fault runs: the real program's windows and port against the simulated controller.
qmx_add_test(test_line_loss SOURCES e2e/test_line_loss.cpp e2e/E2eSupport.h LIBS qmx_shell qmx_sim TIMEOUT 90)
qmx_add_test(test_faults SOURCES e2e/test_faults.cpp e2e/E2eSupport.h LIBS qmx_shell qmx_sim TIMEOUT 90)
