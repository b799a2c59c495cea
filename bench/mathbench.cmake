add_executable(mathbench ${CMAKE_CURRENT_SOURCE_DIR}/mathbench.cpp)
target_link_libraries(mathbench PRIVATE qmx_engineering qmx_record_core)
