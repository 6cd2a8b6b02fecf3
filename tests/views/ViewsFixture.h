// Shared fixture of the view tests: a temporary program folder holding a
// fresh database made by the installer step, and writers that post rows the
// way the recording does, through their own read-write handles.
#pragma once

#include "config/Settings.h"
#include "store/Installer.h"
#include "store/Table.h"
#include "tests/support/TestSupport.h"
#include "ui/Messages.h"

#include <QDate>
#include <QTime>
#include <array>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace orvex::views::test {

struct Measurement {
    QDate date;
    QTime time;
    int unitNo = 1;
    int alarm = 0;
    std::array<std::optional<double>, 8> values{};
};

class ViewsFixture : public ::testing::Test {
protected:
    ViewsFixture() { store::createDatabase(databaseFolder()); }

    QString databaseFolder() const { return m_folder.file(QStringLiteral("Database")); }

    std::unique_ptr<store::Table> writer(const QString &table) {
        auto t = std::make_unique<store::Table>();
        t->setDatabaseName(databaseFolder());
        t->setTableName(table);
        t->open();
        return t;
    }

    // Appends rows in one transaction; returns their record numbers.
    QList<qint64> appendMeasurements(const QString &table, const QList<Measurement> &rows) {
        auto t = writer(table);
        QList<qint64> ids;
        store::Transaction tx(*t);
        for (const Measurement &m : rows) {
            t->append();
            t->setValue(QStringLiteral("Date"), m.date);
            t->setValue(QStringLiteral("Time"), m.time);
            t->setValue(QStringLiteral("UnitNo"), m.unitNo);
            t->setValue(QStringLiteral("Alarm"), m.alarm);
            for (int ch = 0; ch < 8; ++ch) {
                if (m.values[ch])
                    t->setValue(QStringLiteral("D%1").arg(ch + 1), *m.values[ch]);
            }
            t->post();
            ids << t->asInteger(QStringLiteral("Meas_IDX"));
        }
        tx.commit();
        return ids;
    }

    void appendPlotRow(int unitNo, int channel, double value) {
        if (!m_plotWriter)
            m_plotWriter = writer(QStringLiteral("Plot.db"));
        m_plotWriter->append();
        m_plotWriter->setValue(QStringLiteral("UnitNo"), unitNo);
        m_plotWriter->setValue(QStringLiteral("D%1").arg(channel), value);
        m_plotWriter->post();
    }

    orvex::test::ScopedLocale m_locale{orvex::test::russianLocale()};
    orvex::test::TempProgramFolder m_folder;
    ui::MessageRecorder messages;
    config::TSettings settings;
    std::unique_ptr<store::Table> m_plotWriter;
};

} // namespace orvex::views::test
