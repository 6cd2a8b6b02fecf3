# orvex_pollcycle: the poll cycle (start/stop, the two-phase timer, send and
# read ticks) and its wiring onto the main window.
add_library(orvex_pollcycle STATIC PollCycle.cpp PollCycle.h)
target_link_libraries(orvex_pollcycle PUBLIC orvex_protocol orvex_recording orvex_serial orvex_config
                                             orvex_ui Qt6::Widgets)

# The main window behind the cycle; needs the main window's target.
add_library(orvex_pollmainform STATIC PollMainForm.cpp PollMainForm.h)
target_link_libraries(orvex_pollmainform PUBLIC orvex_pollcycle orvex_mainwindow)
set_target_properties(orvex_pollmainform PROPERTIES AUTOMOC ON)
