// Child process of the kill test: records measurements into Plot.db,
// Signals.DB and Arc.DB of the database folder given as its argument, as the
// recording does, and reports every committed row on stdout until killed.
#include "store/Table.h"

#include <QCoreApplication>
#include <QDate>
#include <QTime>
#include <cstdio>

using namespace orvex::store;

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    Table plot, signals_, arc;
    for (auto [t, name] : {std::pair{&plot, "Plot.db"}, std::pair{&signals_, "Signals.DB"},
                           std::pair{&arc, "Arc.DB"}}) {
        t->setDatabaseName(folder);
        t->setTableName(QString::fromLatin1(name));
    }
    try {
        plot.open();
        signals_.open();
        arc.open();
        for (qint64 i = 1;; ++i) {
            const int unit = int(i % 15) + 1;
            {
                Transaction tx(plot);
                plot.append();
                plot.setValue(QStringLiteral("UnitNo"), unit);
                plot.setValue(2, double(i));
                plot.post();
                plot.trimTo(51);
                tx.commit();
            }
            qint64 signalId = 0;
            {
                Transaction tx(signals_);
                signals_.append();
                signals_.setValue(QStringLiteral("Date"), QDate::currentDate());
                signals_.setValue(QStringLiteral("Time"), QTime::currentTime());
                signals_.setValue(QStringLiteral("UnitNo"), unit);
                signals_.setValue(QStringLiteral("D1"), double(i));
                signals_.setValue(QStringLiteral("Alarm"), int(i % 3));
                signals_.post();
                signalId = signals_.asInteger(QStringLiteral("Meas_IDX"));
                signals_.trimTo(100000);
                tx.commit();
            }
            std::printf("S %lld\n", static_cast<long long>(signalId));
            arc.appendRecord(
                {QVariant(), QDate::currentDate(), QTime::currentTime(), unit, double(i)});
            std::printf("A %lld\n",
                        static_cast<long long>(arc.asInteger(QStringLiteral("Meas_IDX"))));
            std::fflush(stdout);
        }
    } catch (const orvex::SystemError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
