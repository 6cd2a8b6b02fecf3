// The common design of the current-data view and the archive view: a
// read-only table window with the freeze box, a record navigator and the row
// counter on top, the rows in the middle, and the selection controls with
// "ПРИМЕНИТЬ" at the bottom. TDataArcForm (DataArc.h) and TDataArc2Form
// (DataArc2.h) are this form with their differences (DataViewKind).
#pragma once

#include "config/Settings.h"
#include "store/Table.h"
#include "ui/Hints.h"
#include "views/DateField.h"
#include "views/MeasurementGrid.h"
#include "views/MeasurementModel.h"

#include <QGroupBox>
#include <QHash>
#include <QStringList>
#include <QTableView>
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace orvex::ui {
class ActivationWatch;
}

namespace orvex::views {

class TDateDlgForm;

// What differs between the two views.
struct DataViewKind {
    bool currentData; // current-data view: threshold selection, both date fields select the range
    QString tableName;
    QString caption;
    QString countLabelName;
    QString countHint;
    QString gridHint;
    QString navigatorHint;
    QString dateSelectionHint;
    QString sortHint;
    QString rangeError;
    int unitListRows;
    int top; // stored position
    int left;
};

class TDataViewForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 665;
    static constexpr int kHeight = 508;

    // Creates the view (its creation steps run at once): `settings` and
    // `autoRefreshViews` belong to the main window and outlive the view;
    // `databaseName` is the location of the main window's Units.DB handle.
    TDataViewForm(const DataViewKind &kind, const config::TSettings &settings,
                  bool &autoRefreshViews, const QString &databaseName, QWidget *parent = nullptr);
    ~TDataViewForm() override;

    // --- what the main window, the options dialog and the recording call ---
    // Shows the view without modality and brings it to the front.
    void showView();
    // The row counter: "Строк: " and the number of rows of the whole table.
    void setRecordCount(qint64 count);
    // After a record was added to the table: the counter takes the table's
    // row count, and while AutoRefreshViews is on the view moves to its first
    // row, which brings the new rows into view (range and filter stay).
    void recordAppended();
    void recordAppended(qint64 count);
    // Closes the table and opens it on another database (a viewing
    // workstation switching stations); selection, order and the freeze stay
    // as they are. Raises the store's errors, leaving the table closed and
    // the view empty.
    void switchDatabase(const QString &databaseName);
    // The hint switch of the view's controls.
    void setHintsEnabled(bool on);
    bool hintsEnabled() const { return m_hintsOn; }
    // The date picker the date fields open on a double-click.
    void setDatePicker(TDateDlgForm *picker) { m_picker = picker; }
    // The view's table handle (read-only).
    store::Table &table() { return m_table; }

    // --- handlers ----------------------------------------------------------
    void FormCreate();
    void FormActivate();
    void ApplyBitBtnClick();
    void AutoRefreshCheckBoxClick();
    void DateMaskEditDblClick(QLineEdit *field);
    void DateMaskEditChange(QLineEdit *field);

    // The filter expression "ПРИМЕНИТЬ" builds from the unit item (0 = all,
    // k = unit k, -1 = none chosen) and the threshold item (0 = all
    // readings, 1 = above threshold 1, 2 = above threshold 2).
    static QString filterExpression(int unitItem, int levelItem);

    // --- controls ----------------------------------------------------------
    QCheckBox *AutoRefreshCheckBox = nullptr;
    QWidget *DBNavigator1 = nullptr;
    QToolButton *NavFirst = nullptr;
    QToolButton *NavPrior = nullptr;
    QToolButton *NavNext = nullptr;
    QToolButton *NavLast = nullptr;
    QLabel *RowCountLabel = nullptr; // CountLabel / ArcCountLabel
    MeasurementGrid *DBGrid1 = nullptr;
    QGroupBox *UnitGroupBox = nullptr;
    QComboBox *UnitComboBox = nullptr;
    QPushButton *ApplyBitBtn = nullptr;
    RadioGroup *LevelFiltrRadioGroup = nullptr; // current-data view only
    RadioGroup *DateFiltrRadioGroup = nullptr;
    QGroupBox *DateRangeGroupBox = nullptr;
    DateField *DateMaskEdit1 = nullptr;
    DateField *DateMaskEdit2 = nullptr;
    QGroupBox *SortGroupBox = nullptr;
    QRadioButton *RadioButton1 = nullptr;
    QRadioButton *RadioButton2 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

    const DataViewKind m_kind;

private:
    void buildControls();
    // The date range of the choice; false when it was refused (the dates
    // in the wrong order), which leaves the range and the filter as they were.
    bool applyDateRange(bool newestFirst);
    // The unit and threshold filter of the choice.
    void applyFilter();
    void setHint(QWidget *widget, const QString &hint);
    void rebuildUnitList();
    void updateNavigator();
    QString rangeErrorText() const { return m_kind.rangeError; }

    const config::TSettings &m_settings;
    bool &m_autoRefreshViews;
    store::Table m_table;
    MeasurementModel *m_model = nullptr;
    TDateDlgForm *m_picker = nullptr;
    ui::HintRegistry m_hints;
    bool m_hintsOn = true;
    ui::ActivationWatch *m_activation = nullptr;
};

} // namespace orvex::views
