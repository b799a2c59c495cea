add_executable(noisebench ${CMAKE_CURRENT_SOURCE_DIR}/noisebench.cpp)
target_link_libraries(noisebench PRIVATE qmx_trend_core qmx_sim)
target_include_directories(noisebench PRIVATE ${CMAKE_SOURCE_DIR})
