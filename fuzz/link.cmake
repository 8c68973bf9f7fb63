# The link library's parsers of terminal and modem bytes, over a scripted line and fake clock.
add_library(fuzz_link_fake_line STATIC ${CMAKE_CURRENT_LIST_DIR}/link_fake_line.cpp)
target_link_libraries(fuzz_link_fake_line PUBLIC vantlink_core ${CMAKE_DL_LIBS})
target_include_directories(fuzz_link_fake_line
    PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR}/linklib/src)

vant_fuzz_target(link_frames SOURCES link_frames.cpp LIBS fuzz_link_fake_line)
vant_fuzz_target(link_modem SOURCES link_modem.cpp LIBS fuzz_link_fake_line)
