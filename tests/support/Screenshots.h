// What the screenshot programs share: the output folder named on their
// command line, and saving a window's picture with a line that says so.
#pragma once

#include <QDir>
#include <QLocale>
#include <QString>
#include <QWidget>
#include <cstdio>

namespace orvex::test {

// Sets the Russian locale the windows are drawn in and returns the output
// folder (made when missing) from the first argument; empty after a usage
// line when there is none.
inline QString screenshotFolder(int argc, char **argv) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return {};
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);
    return out;
}

// Saves the picture of `w` at `path`; whether it was written.
inline bool saveScreenshot(QWidget &w, const QString &path) {
    const bool ok = w.grab().save(path);
    std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

} // namespace orvex::test
