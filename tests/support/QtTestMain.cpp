// Shared main() of the test binaries: a QApplication on the offscreen
// platform (unless the environment chose another), a pinned Russian locale
// as operators use, then GoogleTest.
#include <QApplication>
#include <QLocale>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
