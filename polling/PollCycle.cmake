# orvex_pollcycle: the poll cycle (start/stop, the two-phase timer, send and
# read ticks) behind its surface; the surface on the main window is the
# application's (app/PollMainForm.*).
add_library(orvex_pollcycle STATIC PollCycle.cpp PollCycle.h)
target_link_libraries(orvex_pollcycle PUBLIC orvex_protocol orvex_recording orvex_serial orvex_config
                                             orvex_ui Qt6::Widgets)
