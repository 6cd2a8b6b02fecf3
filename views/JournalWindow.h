// The journal window: the events of Events.DB newest first, with filters by
// unit, by kind and by date range (the data views' date fields and calendar),
// the acknowledgement button, a page of per-unit diagnostics, and a page
// with the journal's own settings. The window knows no poll cycle: the
// acknowledgement, the diagnostics and the saving of the settings go through
// the callbacks its owner fills in.
#pragma once

#include "config/JournalSettings.h"
#include "store/Events.h"
#include "store/Table.h"
#include "views/JournalModel.h"

#include <QDateTime>
#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTableWidget;

namespace orvex::views {

class TDateDlgForm;

// One row of the diagnostics page.
struct JournalDiagnostics {
    int unitNo = 0;
    int address = 0;
    qint64 polls = 0, good = 0, noReply = 0, badChecksum = 0, exceptions = 0;
    int lastExceptionCode = -1;
    QDateTime lastGood;
    bool lost = false;
    QDateTime lostSince;
};

class JournalWindow : public QWidget {
    Q_OBJECT
public:
    enum KindFilter { Alarms, Communication, ProgramAndSettings, AllKinds };

    explicit JournalWindow(QWidget *parent = nullptr);
    ~JournalWindow() override;

    // Opens the read-only handle on Events.DB of `databaseName` (alias or
    // folder) and shows the newest events. Raises StoreError.
    void openJournal(const QString &databaseName);
    void closeJournal();
    store::Table &table() { return m_table; }
    JournalModel *model() const { return m_model; }

    // Number of units offered by the unit filter.
    void setUnitCount(int units);
    // The count of alarms waiting for acknowledgement, in the caption.
    void setPendingCount(qint64 count);
    // New events were written: the newest page is read again when it is shown.
    void eventsAdded();
    void setJournalSettings(const config::JournalSettings &settings);

    // Applies the filters and shows the newest (oldest) events.
    void applyFilters();
    void showNewest();
    void showOldest();
    // Acknowledges the selected events, or every waiting event the filters
    // show when none is selected.
    void acknowledge();
    void refreshDiagnostics();
    void exportCsv();

    // Filled in by the owner.
    std::function<int(const QList<qint64> &ids)> acknowledgeEvents;
    // Waiting events (id, unit, kind) the filters may narrow.
    std::function<QList<store::PendingAlarm>()> pendingEvents;
    std::function<QList<JournalDiagnostics>()> diagnostics;
    std::function<void(const config::JournalSettings &settings)> saveSettings;

    static QString caption(qint64 pending);

    // Controls.
    QTabWidget *Pages = nullptr;
    QComboBox *UnitCombo = nullptr;
    QComboBox *KindCombo = nullptr;
    QCheckBox *DateCheck = nullptr;
    QLineEdit *DateMaskEdit1 = nullptr;
    QLineEdit *DateMaskEdit2 = nullptr;
    QPushButton *ApplyButton = nullptr;
    QPushButton *NewestButton = nullptr;
    QPushButton *OldestButton = nullptr;
    QPushButton *AckButton = nullptr;
    QTableView *EventsGrid = nullptr;
    QLabel *PendingLabel = nullptr;
    QTableWidget *DiagGrid = nullptr;
    QSpinBox *LossPollsSpin = nullptr;
    QCheckBox *LatchBox = nullptr;
    QCheckBox *LossSoundBox = nullptr;
    QCheckBox *MarksBox = nullptr;
    QPushButton *SaveButton = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QWidget *createEventsPage();
    QWidget *createDiagnosticsPage();
    QWidget *createSettingsPage();
    void pickDate(QLineEdit *field);
    void onScroll(int value);
    QList<qint64> shownPending() const;

    store::Table m_table;
    JournalModel *m_model = nullptr;
    TDateDlgForm *m_picker = nullptr;
    bool m_stale = false;
    qint64 m_pending = 0;
};

} // namespace orvex::views
