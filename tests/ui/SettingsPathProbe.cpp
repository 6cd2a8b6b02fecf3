// Prints the settings file path of the running executable; the program-folder
// test runs renamed copies of it.
#include "ui/ProgramFolder.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication application(argc, argv);
    std::puts(orvex::settingsFilePath().toLocal8Bit().constData());
    return 0;
}
