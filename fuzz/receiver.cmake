# tembra's readers of outside input: Setup.ini and the characters of the serial line.
vant_fuzz_target(receiver_setup SOURCES receiver_setup.cpp LIBS tembra_core)
vant_fuzz_target(receiver_lines SOURCES receiver_lines.cpp LIBS tembra_core)
