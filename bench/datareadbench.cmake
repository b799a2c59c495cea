add_executable(datareadbench ${CMAKE_CURRENT_SOURCE_DIR}/datareadbench.cpp)
target_link_libraries(datareadbench PRIVATE qmx_catalogue qmx_catalogue_core qmx_sim Qt6::Widgets Qt6::PrintSupport)
target_compile_definitions(datareadbench PRIVATE QMX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
