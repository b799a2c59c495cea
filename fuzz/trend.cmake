# The trend data file (.trd) as the Open command reads it.
qmx_add_fuzzer(trend_open trend_open.cpp qmx_trend)
# The channel presets "UserPre.qmt" as the Trend Graph window reads them.
qmx_add_fuzzer(trend_presets trend_presets.cpp qmx_trend)
