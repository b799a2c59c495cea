add_executable(unitsbench ${CMAKE_CURRENT_SOURCE_DIR}/unitsbench.cpp)
target_link_libraries(unitsbench PRIVATE qmx_engineering)
