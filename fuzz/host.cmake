# The host program's readers of outside input: Vantcom.ini, the command line and batch scripts,
# and the KD24 file of the operations core.
vant_fuzz_target(host_profile SOURCES host_profile.cpp LIBS vantrel_core)
vant_fuzz_target(opscore_kd24 SOURCES host_opscore_kd24.cpp LIBS opscore)
vant_fuzz_target(host_commandline
    SOURCES host_commandline.cpp
    LIBS vantrel_commandline
    INCLUDES ${PROJECT_SOURCE_DIR}/host/operations/tests ${PROJECT_SOURCE_DIR}/host/shell/tests)
