# orvex_recording: the measurement recording over the table handles (no widgets).
add_library(orvex_recording STATIC Recording.cpp Recording.h)
target_link_libraries(orvex_recording PUBLIC orvex_protocol orvex_store orvex_config)
