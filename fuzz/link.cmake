qmx_add_fuzzer(link_reply link_reply.cpp qmx_link)
qmx_add_fuzzer(link_lockfile link_lockfile.cpp qmx_link)
qmx_add_fuzzer(link_exchange link_exchange.cpp qmx_link)
