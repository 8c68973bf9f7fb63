# termsim's parsing of the PC's bytes: request parser, terminal answers and file stores.
vant_fuzz_target(sim_requests SOURCES sim_requests.cpp LIBS termsim_core)
