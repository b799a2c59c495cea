# The include-graph check of trend/ (tools/trend_include_graph.cmake) run over this small tree, in
# which each kind of fault it looks for is made once, beside files that are in order: it must fail
# and name exactly the faults of expected.txt, in that order.
#
#   cmake -DCHECK=<the check script> -DWIDGETS_DIRS=<Qt6::Widgets include directories> -P check.cmake

execute_process(
    COMMAND "${CMAKE_COMMAND}" "-DSOURCE_DIR=${CMAKE_CURRENT_LIST_DIR}" "-DWIDGETS_DIRS=${WIDGETS_DIRS}" -P "${CHECK}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(result EQUAL 0)
    message(FATAL_ERROR "the check passed a tree with faults:\n${output}")
endif()
file(READ "${CMAKE_CURRENT_LIST_DIR}/expected.txt" expected)
string(FIND "${output}" "${expected}" at)
if(NOT at EQUAL 0)
    message(FATAL_ERROR "the check named other faults than expected.txt:\n${output}")
endif()
string(LENGTH "${expected}" expectedLength)
string(SUBSTRING "${output}" ${expectedLength} -1 rest)
if(NOT rest MATCHES "^CMake Error at [^\n]*\n  trend include graph: 11 faults in 19 files\n*$")
    message(FATAL_ERROR "the check named more faults than expected.txt:\n${output}")
endif()
message("the check names each fault of expected.txt and fails")
