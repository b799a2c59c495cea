# The trend data file (.trd) as the Open command reads it.
qmx_add_fuzzer(trend_open trend_open.cpp qmx_trend)
