// Program start-up: the application object, its title and the windows.
#pragma once

namespace orvex::app {

// Runs the program; returns the exit code of the event loop.
int runApplication(int argc, char **argv);

} // namespace orvex::app
