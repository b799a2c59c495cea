qmx_add_fuzzer(link_reply link_reply.cpp qmx_link)
