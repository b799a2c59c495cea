# The program as installed: `cmake --install` into a temporary prefix made read-only, run as a user
# who is not root, the program's files in that user's data folder.
if(NOT UNIX)
    return()
endif()
add_executable(test_installed install/test_installed.cpp)
target_link_libraries(test_installed PRIVATE qmx_testsupport qmx_shell qmx_sim)
add_test(NAME test_installed
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/install/run_installed.sh ${CMAKE_BINARY_DIR}
                 $<TARGET_FILE:test_installed>)
set_tests_properties(test_installed PROPERTIES TIMEOUT 120)
