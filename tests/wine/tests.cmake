# The Windows serial port under Wine against the simulator. The script cross-builds the console
# check with the MinGW-w64 and Wine that the test command installed, makes a throw-away Wine prefix
# and maps COM ports to simulators; it exits 77 (skipped) when either is missing or Wine cannot
# start at all on this machine.
add_test(NAME test_wine_link
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/wine/run-linkcheck.sh ${CMAKE_SOURCE_DIR} $<TARGET_FILE:qmx-sim>
            ${CMAKE_CURRENT_BINARY_DIR}/wine-link)
set_tests_properties(test_wine_link PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
