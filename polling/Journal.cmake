# orvex_journal: the event journal's transition detection (no widgets); its
# place on the main window is the application's (app/JournalMainForm.*).
add_library(orvex_journal STATIC Journal.cpp Journal.h)
target_link_libraries(orvex_journal PUBLIC orvex_protocol orvex_store)
