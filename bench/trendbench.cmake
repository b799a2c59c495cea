add_executable(trendbench ${CMAKE_CURRENT_SOURCE_DIR}/trendbench.cpp)
target_link_libraries(trendbench PRIVATE qmx_trend qmx_sim)
