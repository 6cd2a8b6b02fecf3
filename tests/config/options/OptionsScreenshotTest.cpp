// Pictures of the seven tabs of the options dialog, written as PNG files so
// they can be compared with the dialog's documented look. The files go to
// the folder named by ORVEX_SCREENSHOT_DIR (for instance under xvfb-run),
// else to a temporary folder; the test checks that each picture has the
// client size and is not blank.
#include "config/IniOptions.h"

#include "tests/config/options/OptionsTestSupport.h"
#include "ui/Messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::config;

namespace {

TEST(OptionsScreenshots, EveryTabIsWrittenAsAPicture) {
    test::OptionsTestHost host;
    ui::MessageRecorder messages;
    host.ports = {"COM1", "COM10", "COM2", "COM3"};
    host.Settings.ComPortNo = 3;
    host.Settings.Speed = QStringLiteral(" 9600 (002)");
    host.Settings.UnitsAmount = 3;
    host.seedUnits(3);
    TIniOptionsForm form(host);
    form.show();
    ASSERT_TRUE(test::waitActive(&form));

    QTemporaryDir temp;
    QString dir = qEnvironmentVariable("ORVEX_SCREENSHOT_DIR");
    if (dir.isEmpty())
        dir = temp.path();
    QDir().mkpath(dir);
    const char *names[] = {"1-config",  "2-units",      "3-sensors1", "4-sensors2",
                           "5-storage", "6-connection", "7-sound"};
    for (int i = 0; i < form.PageControl1->count(); ++i) {
        form.PageControl1->setCurrentIndex(i);
        QCoreApplication::processEvents();
        const QImage picture = form.grab().toImage();
        EXPECT_EQ(picture.size(), QSize(792, 311));
        const QString file = QDir(dir).filePath(QStringLiteral("options-%1.png").arg(names[i]));
        EXPECT_TRUE(picture.save(file)) << file.toStdString();
        // The tab body is drawn in its colour.
        int body = 0;
        for (int y = 0; y < picture.height(); y += 4)
            for (int x = 0; x < picture.width(); x += 4)
                body += picture.pixelColor(x, y) == QColor(192, 220, 192) ? 1 : 0;
        EXPECT_GT(body, 500) << names[i];
    }
    EXPECT_EQ(messages.count(), 0);
}

} // namespace
