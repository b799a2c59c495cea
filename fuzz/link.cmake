qmx_add_fuzzer(fuzz_link_reply link_reply.cpp qmx_link)
