// Writes pictures of the views, the date picker and the plot window filled
// with generated data, for looking at them beside their description:
//   views_screenshots OUTPUT_FOLDER
// Run it under a display (xvfb-run) or with QT_QPA_PLATFORM=offscreen.
#include "store/Installer.h"
#include "store/Table.h"
#include "views/Calndr2.h"
#include "views/DataArc.h"
#include "views/DataArc2.h"
#include "views/PlotWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstdio>

using namespace orvex;

namespace {

void fill(const QString &folder) {
    store::createDatabase(folder);
    auto open = [&](const char *name) {
        auto t = std::make_unique<store::Table>();
        t->setDatabaseName(folder);
        t->setTableName(QString::fromLatin1(name));
        t->open();
        return t;
    };
    auto signalsTable = open("Signals.DB");
    auto arc = open("Arc.DB");
    auto plot = open("Plot.db");
    const QDateTime start = QDateTime::currentDateTime().addSecs(-3 * 3600);
    store::Transaction a(*signalsTable), b(*arc), c(*plot);
    for (int i = 0; i < 600; ++i) {
        const QDateTime at = start.addSecs(i * 10);
        const int unit = 1 + i % 3;
        const int alarm = (i / 7) % 5 == 0 ? 2 : (i / 5) % 4 == 0 ? 1 : 0;
        for (store::Table *t : {signalsTable.get(), arc.get()}) {
            if (t == arc.get() && alarm == 0)
                continue;
            t->append();
            t->setValue("Date", at.date());
            t->setValue("Time", at.time());
            t->setValue("UnitNo", unit);
            t->setValue("Alarm", alarm);
            for (int ch = 1; ch <= 8; ++ch)
                t->setValue(QStringLiteral("D%1").arg(ch),
                            std::round((10 + 8 * std::sin(i / 9.0 + ch)) * 100) / 100);
            t->post();
        }
        if (i >= 600 - 153) {
            plot->append();
            plot->setValue("UnitNo", unit);
            for (int ch = 1; ch <= 8; ++ch)
                plot->setValue(QStringLiteral("D%1").arg(ch),
                               std::round((25 + 15 * std::sin(i / 6.0 + ch)) * 100) / 100);
            plot->post();
        }
    }
    a.commit();
    b.commit();
    c.commit();
}

void waitActive(QWidget &w) {
    if (!QTest::qWaitForWindowActive(&w))
        std::fprintf(stderr, "%s did not become active\n", qPrintable(w.windowTitle()));
}

void save(QWidget &w, const QString &path) {
    QTest::qWait(0);
    if (!w.grab().save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

} // namespace

int main(int argc, char **argv) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QApplication app(argc, argv);
    // A text cursor that does not blink, so that every run draws it alike.
    QApplication::setCursorFlashTime(0);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    QTemporaryDir temp;
    const QString db = temp.filePath(QStringLiteral("Database"));
    fill(db);

    config::TSettings settings;
    settings.UnitsAmount = 3;
    bool autoRefresh = true;
    views::TPlotForm plot(settings, db);
    views::TDataArcForm data(settings, autoRefresh, db);
    views::TDataArc2Form archive(settings, autoRefresh, db);
    views::TDateDlgForm picker;

    data.showView();
    waitActive(data);
    save(data, out + QStringLiteral("/current-data-view.png"));
    data.UnitComboBox->setCurrentIndex(2);
    data.LevelFiltrRadioGroup->setItemIndex(2);
    data.RadioButton2->setChecked(true);
    data.ApplyBitBtn->click();
    save(data, out + QStringLiteral("/current-data-view-unit2-threshold2-oldest-first.png"));
    data.close();

    archive.showView();
    waitActive(archive);
    save(archive, out + QStringLiteral("/archive-view.png"));
    archive.close();

    picker.show();
    waitActive(picker);
    save(picker, out + QStringLiteral("/date-picker.png"));
    picker.hide();

    plot.showPlot(2, 3, QStringLiteral("ВОГ"), QStringLiteral("% НКПР"), 20);
    waitActive(plot);
    save(plot, out + QStringLiteral("/plot-window.png"));
    return 0;
}
