add_executable(csvexportbench ${CMAKE_CURRENT_SOURCE_DIR}/csvexportbench.cpp)
target_link_libraries(csvexportbench PRIVATE qmx_trend)
