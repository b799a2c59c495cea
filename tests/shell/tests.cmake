qmx_add_test(test_shell SOURCES shell/test_shell.cpp LIBS qmx_shell)
