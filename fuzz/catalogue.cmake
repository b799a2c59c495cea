# The catalogue's sources are compiled into each target, so that they carry the fuzzer's coverage
# and the sanitizers and not only the entry point does.
set(QMX_CATALOGUE_FUZZ_SOURCES
    ${CMAKE_SOURCE_DIR}/catalogue/BlockTypeTable.cpp
    ${CMAKE_SOURCE_DIR}/catalogue/Decoder.cpp
    ${CMAKE_SOURCE_DIR}/catalogue/SuperBlockFile.cpp)

# The super-block data file as the Data Read checks and decodes it.
qmx_add_fuzzer(catalogue_check catalogue_check.cpp qmx_base qmx_link)
target_sources(catalogue_check PRIVATE ${QMX_CATALOGUE_FUZZ_SOURCES})
target_include_directories(catalogue_check PRIVATE ${CMAKE_SOURCE_DIR})

# The two variable files as the list builder reads them.
qmx_add_fuzzer(catalogue_varlist catalogue_varlist.cpp qmx_base qmx_link)
target_sources(catalogue_varlist PRIVATE ${QMX_CATALOGUE_FUZZ_SOURCES})
target_include_directories(catalogue_varlist PRIVATE ${CMAKE_SOURCE_DIR})
