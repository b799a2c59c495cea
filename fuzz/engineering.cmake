# The units file as the program reads it.
qmx_add_fuzzer(engineering_units engineering_units.cpp qmx_engineering)
# Math channels' definitions as typed, each taken one evaluated over rows.
qmx_add_fuzzer(engineering_math engineering_math.cpp qmx_engineering)
