add_executable(linkbench ${CMAKE_CURRENT_SOURCE_DIR}/linkbench.cpp)
target_link_libraries(linkbench PRIVATE qmx_link qmx_sim Qt6::PrintSupport)
