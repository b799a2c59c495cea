add_executable(wirefloor ${CMAKE_CURRENT_SOURCE_DIR}/wirefloor.cpp)
target_link_libraries(wirefloor PRIVATE qmx_sim)
target_include_directories(wirefloor PRIVATE ${CMAKE_SOURCE_DIR})
