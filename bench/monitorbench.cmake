add_executable(monitorbench ${CMAKE_CURRENT_SOURCE_DIR}/monitorbench.cpp)
target_link_libraries(monitorbench PRIVATE qmx_monitor qmx_catalogue_core qmx_sim)
target_compile_definitions(monitorbench PRIVATE QMX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
