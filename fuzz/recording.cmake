# Recordings in CSV as the Recording window reads them: qmx-record's files, triggered or not, and
# the Trend Graph's export.
qmx_add_fuzzer(recording_csv recording_csv.cpp qmx_recording_core qmx_trend_core)
