qmx_add_test(test_catalogue SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_catalogue.cpp LIBS qmx_catalogue_core)
qmx_add_test(test_variables_list_window SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_variables_list_window.cpp LIBS qmx_catalogue qmx_shell qmx_sim TIMEOUT 90)
