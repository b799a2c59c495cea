add_executable(soakbench ${CMAKE_CURRENT_SOURCE_DIR}/soakbench.cpp ${CMAKE_CURRENT_SOURCE_DIR}/BenchSupport.h)
target_link_libraries(soakbench PRIVATE qmx_shell qmx_sim)
target_include_directories(soakbench PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(soakbench PRIVATE QMX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
