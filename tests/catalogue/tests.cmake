qmx_add_test(test_catalogue SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_catalogue.cpp LIBS qmx_catalogue_core)
