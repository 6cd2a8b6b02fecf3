// Entry point of the data acquisition program.
//
//   orvex01m            the program
//   orvex01m --version  prints the version and ends
//   orvex01m --help     prints the usage and ends
// Both answer on one line without opening a window, so they work without a
// display (package scripts, a remote shell). Other arguments go to Qt.
#include "app/Orvex01m.h"

#include <cstdio>
#include <cstring>

int main(int argc, char **argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("orvex01m " ORVEX_VERSION);
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::puts("Usage: orvex01m [--version | --help]: data acquisition from gas-analyzer "
                  "control units; settings, tables and ports live in the program folder.");
        return 0;
    }
    return orvex::app::runApplication(argc, argv);
}
