# A day of qmx-record: time to the first whole-file picture, the longest redraw, memory after load.
add_executable(recordingbench ${CMAKE_CURRENT_SOURCE_DIR}/recordingbench.cpp)
target_link_libraries(recordingbench PRIVATE qmx_recording)
