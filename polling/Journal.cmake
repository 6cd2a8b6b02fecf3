# orvex_journal: the event journal's transition detection (no widgets).
add_library(orvex_journal STATIC Journal.cpp Journal.h)
target_link_libraries(orvex_journal PUBLIC orvex_protocol orvex_store)

# The journal on the main window: its menu item, window, marks and sound.
add_library(orvex_journalmainform STATIC JournalMainForm.cpp JournalMainForm.h)
target_link_libraries(orvex_journalmainform PUBLIC orvex_journal orvex_pollmainform
                                                   orvex_views orvex_config)
