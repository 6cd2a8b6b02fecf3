// Entry point of the data acquisition program.
#include "app/Orvex01m.h"

int main(int argc, char **argv) {
    return orvex::app::runApplication(argc, argv);
}
