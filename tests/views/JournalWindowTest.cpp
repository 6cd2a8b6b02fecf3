// The journal window over a real Events.DB and the CSV export of table
// windows: filters, acknowledgement of what is shown, captions, the
// diagnostics and settings pages; the export's separator, byte-order mark,
// quoting, and that a cancelled or failed export leaves no file.
#include "views/JournalWindow.h"
#include "store/Events.h"
#include "tests/views/ViewsFixture.h"
#include "views/CsvExport.h"
#include "views/DataArc.h"
#include "views/DateFormats.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>

namespace orvex::views::test {
namespace {

using store::EventKind;
using store::EventLevel;

class JournalWindowTest : public ViewsFixture {
protected:
    JournalWindowTest() {
        log.open(databaseFolder());
        const QDate d(2026, 4, 10);
        add(1, EventKind::AlarmLevel, EventLevel::Alarm, d, QStringLiteral("trip 1"));
        add(2, EventKind::Communication, EventLevel::Alarm, d, QStringLiteral("lost 2"));
        add(0, EventKind::Program, EventLevel::Normal, d.addDays(1), QStringLiteral("start"));
        add(2, EventKind::AlarmLevel, EventLevel::Warning, d.addDays(2), QStringLiteral("warn 2"));
        add(1, EventKind::AlarmLevel, EventLevel::Alarm, d.addDays(2), QStringLiteral("trip 1b"));
        window.setUnitCount(3);
        window.openJournal(databaseFolder());
        window.pendingEvents = [this] { return log.pending(); };
        window.acknowledgeEvents = [this](const QList<qint64> &ids) {
            acknowledged << ids;
            return log.acknowledge(ids, QStringLiteral("op"), QDate(2026, 4, 13), QTime(9, 0));
        };
    }
    qint64 add(int unit, EventKind kind, EventLevel level, const QDate &date, const QString &text) {
        store::EventRecord e;
        e.date = date;
        e.time = QTime(10, 0, 0);
        e.unitNo = unit;
        e.kind = kind;
        e.level = level;
        e.text = text;
        return log.append(e);
    }
    QStringList shown() const {
        QStringList out;
        for (int r = 0; r < window.model()->rowCount(); ++r)
            out << window.model()->index(r, JournalModel::TextColumn).data().toString();
        return out;
    }

    store::EventLog log;
    JournalWindow window;
    QList<qint64> acknowledged;
};

TEST_F(JournalWindowTest, FiltersShowTheMatchingEventsNewestFirst) {
    EXPECT_EQ(shown(), (QStringList{"trip 1b", "warn 2", "start", "lost 2", "trip 1"}));
    window.KindCombo->setCurrentIndex(JournalWindow::Alarms);
    window.applyFilters();
    EXPECT_EQ(shown(), (QStringList{"trip 1b", "warn 2", "trip 1"}));
    window.UnitCombo->setCurrentIndex(2);
    window.applyFilters();
    EXPECT_EQ(shown(), (QStringList{"warn 2"}));
    window.KindCombo->setCurrentIndex(JournalWindow::Communication);
    window.applyFilters();
    EXPECT_EQ(shown(), (QStringList{"lost 2"}));
    window.UnitCombo->setCurrentIndex(0);
    window.KindCombo->setCurrentIndex(JournalWindow::ProgramAndSettings);
    window.applyFilters();
    EXPECT_EQ(shown(), (QStringList{"start"}));
    window.KindCombo->setCurrentIndex(JournalWindow::AllKinds);
    window.DateCheck->setChecked(true);
    window.DateMaskEdit1->setText(fieldDateText(QDate(2026, 4, 11)));
    window.DateMaskEdit2->setText(fieldDateText(QDate(2026, 4, 10)));
    window.applyFilters();
    EXPECT_EQ(shown(), (QStringList{"start", "lost 2", "trip 1"}));
    // A date that does not exist is refused with a message; the rows stay.
    window.DateMaskEdit2->setText(QStringLiteral("31.02.26"));
    window.applyFilters();
    EXPECT_EQ(messages.count(), 1);
    EXPECT_EQ(shown().size(), 3);
}

TEST_F(JournalWindowTest, AcknowledgingTakesTheSelectionOrEveryWaitingAlarmShown) {
    window.setPendingCount(log.pendingCount());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Журнал событий (неквитированных тревог: 3)"));
    // Selected: the warning (not waiting) and the newest trip.
    window.EventsGrid->selectRow(0);
    window.EventsGrid->selectionModel()->select(
        window.model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    window.AckButton->click();
    ASSERT_EQ(acknowledged.size(), 1);
    EXPECT_EQ(log.pendingCount(), 2);
    // Nothing selected, unit 2 shown: only its loss.
    window.EventsGrid->clearSelection();
    window.UnitCombo->setCurrentIndex(2);
    window.applyFilters();
    window.AckButton->click();
    EXPECT_EQ(log.pendingCount(), 1);
    const auto left = log.pending();
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left[0].unitNo, 1);
    window.setPendingCount(0);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Журнал событий"));
}

TEST_F(JournalWindowTest, DiagnosticsAndSettingsPages) {
    window.diagnostics = [] {
        JournalDiagnostics a;
        a.unitNo = 1;
        a.address = 5;
        a.polls = 10;
        a.good = 7;
        a.noReply = 2;
        a.exceptions = 1;
        a.lastExceptionCode = 4;
        a.lost = true;
        a.lostSince = QDateTime(QDate(2026, 4, 10), QTime(11, 12, 13));
        return QList<JournalDiagnostics>{a};
    };
    window.refreshDiagnostics();
    ASSERT_EQ(window.DiagGrid->rowCount(), 1);
    EXPECT_EQ(window.DiagGrid->item(0, 1)->text(), QStringLiteral("5"));
    EXPECT_EQ(window.DiagGrid->item(0, 7)->text(), QStringLiteral("4"));
    EXPECT_EQ(window.DiagGrid->item(0, 9)->text(),
              QStringLiteral("нет связи с 10.04.2026 11:12:13"));

    config::JournalSettings saved;
    window.saveSettings = [&](const config::JournalSettings &s) { saved = s; };
    window.LossPollsSpin->setValue(7);
    window.LatchBox->setChecked(true);
    window.SaveButton->click();
    EXPECT_EQ(saved.LossPolls, 7);
    EXPECT_TRUE(saved.Latch);
    EXPECT_FALSE(saved.Marks);
}

class CsvExportTest : public ViewsFixture {
protected:
    QTemporaryDir dir;
    QString file() const { return dir.filePath(QStringLiteral("out.csv")); }
    std::unique_ptr<store::Table> currentData() {
        auto t = std::make_unique<store::Table>();
        t->setDatabaseName(databaseFolder());
        t->setTableName(QStringLiteral("Signals.DB"));
        t->setIndexName(QStringLiteral("DAT_IDX_D"));
        t->setReadOnly(true);
        t->open();
        return t;
    }
};

TEST_F(CsvExportTest, RussianLocaleGivesSemicolonsCommaDecimalsAndAByteOrderMark) {
    Measurement m{QDate(2026, 4, 10), QTime(8, 5, 7), 3, 2, {}};
    m.values[0] = 0.29;
    m.values[1] = 12.0;
    appendMeasurements(QStringLiteral("Signals.DB"), {m});
    auto t = currentData();
    const CsvResult r = exportCsv(file(), *t, measurementHeaders(), measurementFormat());
    ASSERT_TRUE(r.written) << r.error.toStdString();
    EXPECT_EQ(r.rows, 1);
    QFile f(file());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(MeasurementModel::columnTitle(0) + QLatin1Char(';')));
    EXPECT_EQ(lines[1], QStringLiteral("10.04.2026;08:05:07;3;0,29;12;;;;;;;2"));

    // Where the decimal separator is a dot, fields are separated by commas,
    // and a field holding one is quoted.
    EXPECT_EQ(csvSeparator(QLocale(QLocale::English, QLocale::UnitedStates)), QLatin1Char(','));
    EXPECT_EQ(csvField(QStringLiteral("a,b \"c\""), QLatin1Char(',')),
              QStringLiteral("\"a,b \"\"c\"\"\""));
    EXPECT_EQ(csvField(QStringLiteral("a,b"), QLatin1Char(';')), QStringLiteral("a,b"));
}

TEST_F(CsvExportTest, CancelledOrFailedExportsLeaveNoFile) {
    QList<Measurement> rows;
    for (int i = 0; i < 2500; ++i)
        rows << Measurement{QDate(2026, 4, 10), QTime(8, 0, 0), 1, 0, {}};
    appendMeasurements(QStringLiteral("Signals.DB"), rows);
    auto t = currentData();
    int calls = 0;
    const CsvResult cancelled =
        exportCsv(file(), *t, measurementHeaders(), measurementCells, [&](qint64 done) {
            ++calls;
            return done < 1000;
        });
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_FALSE(cancelled.written);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(QFile::exists(file()));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // An existing file survives a failed export unchanged.
    {
        QFile f(file());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    t->close(); // reading fails
    const CsvResult failed = exportCsv(file(), *t, measurementHeaders(), measurementCells);
    EXPECT_FALSE(failed.written);
    EXPECT_FALSE(failed.error.isEmpty());
    QFile f(file());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old"));

    const CsvResult missingFolder =
        exportCsv(dir.filePath(QStringLiteral("no/such/out.csv")), *currentData(),
                  measurementHeaders(), measurementCells);
    EXPECT_FALSE(missingFolder.written);
    EXPECT_TRUE(missingFolder.error.contains(QStringLiteral("out.csv")));
}

TEST_F(CsvExportTest, TheCurrentDataViewGetsAContextMenuWithoutOtherChanges) {
    bool autoRefresh = true;
    TDataArcForm view(settings, autoRefresh, databaseFolder());
    const auto before = view.DBGrid1->contextMenuPolicy();
    addCsvExportMenu(view, QStringLiteral("current.csv"));
    EXPECT_NE(before, Qt::CustomContextMenu);
    EXPECT_EQ(view.DBGrid1->contextMenuPolicy(), Qt::CustomContextMenu);
}

} // namespace
} // namespace orvex::views::test
