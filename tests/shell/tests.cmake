qmx_add_test(test_shell SOURCES shell/test_shell.cpp LIBS qmx_shell)
qmx_add_test(test_widget_dialogs SOURCES shell/test_widget_dialogs.cpp LIBS qmx_shell)
qmx_add_test(test_port_settings_dialog SOURCES shell/test_port_settings_dialog.cpp LIBS qmx_shell qmx_sim)
