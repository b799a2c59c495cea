add_executable(recordbench ${CMAKE_CURRENT_SOURCE_DIR}/recordbench.cpp)
target_link_libraries(recordbench PRIVATE qmx_record_core qmx_sim qmx_testsupport Qt6::Network)
add_dependencies(recordbench qmx-record)
