# The Monitor file as Open reads it. The monitor's file sources are compiled into the target so that
# they carry the fuzzer's coverage and the sanitizers.
qmx_add_fuzzer(monitor_open monitor_open.cpp qmx_base)
target_sources(monitor_open PRIVATE ${CMAKE_SOURCE_DIR}/monitor/MonitorFile.cpp
                                    ${CMAKE_SOURCE_DIR}/monitor/MonitorLayout.cpp)
target_include_directories(monitor_open PRIVATE ${CMAKE_SOURCE_DIR})
