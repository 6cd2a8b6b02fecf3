// The common form of the current-data and archive views.
#include "views/DataView.h"

#include "ui/Activation.h"
#include "ui/ErrorHandler.h"
#include "ui/Messages.h"
#include "views/Calndr2.h"
#include "views/DateField.h"
#include "views/DateFormats.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace orvex::views {

namespace {

const QColor kBackground(192, 220, 192);

enum LevelItem { AllReadings, AboveThreshold1, AboveThreshold2 };
enum DateItem { AllDates, LastDay, DateRange };

} // namespace

// ---------------------------------------------------------------- TDataViewForm

TDataViewForm::TDataViewForm(const DataViewKind &kind, const config::TSettings &settings,
                             bool &autoRefreshViews, const QString &databaseName, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_kind(kind), m_settings(settings), m_autoRefreshViews(autoRefreshViews) {
    m_table.setDatabaseName(databaseName);
    m_table.setTableName(kind.tableName);
    m_table.setIndexName(QStringLiteral("DAT_IDX_D"));
    m_table.setReadOnly(true);
    m_model = new MeasurementModel(m_table, this);
    buildControls();
    // Activation: the operator comes to the view from another window of the
    // program, not from another application, and not back from a box or the
    // date picker that the view opened itself.
    m_activation = new ui::ActivationWatch(this);
    connect(m_activation, &ui::ActivationWatch::activated, this,
            [this] { ui::guarded([this] { FormActivate(); }, this); });
    ui::guarded([this] { FormCreate(); }, this);
}

TDataViewForm::~TDataViewForm() = default;

void TDataViewForm::buildControls() {
    setWindowTitle(m_kind.caption);
    setFixedWidth(kWidth); // any change of size leaves the width at 665
    resize(kWidth, kHeight);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kBackground);
    setPalette(palette);
    QFont font = this->font();
    font.setPixelSize(11);
    setFont(font);

    // Top strip: freeze box, navigator, row counter.
    auto *top = new QWidget(this);
    top->setFixedHeight(41);
    auto *topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(8, 4, 8, 4);
    AutoRefreshCheckBox = new QCheckBox(QStringLiteral("Стоп "), top);
    AutoRefreshCheckBox->setObjectName(QStringLiteral("AutoRefreshCheckBox"));
    topLayout->addWidget(AutoRefreshCheckBox);
    topLayout->addSpacing(12);

    DBNavigator1 = new QWidget(top);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setAccessibleName(QStringLiteral("Навигатор"));
    auto *navLayout = new QHBoxLayout(DBNavigator1);
    navLayout->setContentsMargins(0, 0, 0, 0);
    navLayout->setSpacing(0);
    auto navButton = [&](QToolButton *&button, const char *name, QStyle::StandardPixmap icon,
                         const QString &hint) {
        button = new QToolButton(DBNavigator1);
        button->setObjectName(QString::fromLatin1(name));
        button->setIcon(style()->standardIcon(icon));
        button->setFixedSize(30, 28);
        button->setIconSize(QSize(16, 16));
        button->setAccessibleName(hint);
        setHint(button, hint);
        navLayout->addWidget(button);
    };
    navButton(NavFirst, "NavFirst", QStyle::SP_MediaSkipBackward, QStringLiteral("Первая запись"));
    navButton(NavPrior, "NavPrior", QStyle::SP_ArrowLeft, QStringLiteral("Предыдущая запись"));
    navButton(NavNext, "NavNext", QStyle::SP_ArrowRight, QStringLiteral("Следующая запись"));
    NavPrior->setIcon(QIcon());
    NavPrior->setArrowType(Qt::LeftArrow);
    NavNext->setIcon(QIcon());
    NavNext->setArrowType(Qt::RightArrow);
    navButton(NavLast, "NavLast", QStyle::SP_MediaSkipForward, QStringLiteral("Последняя запись"));
    setHint(DBNavigator1, m_kind.navigatorHint);
    topLayout->addWidget(DBNavigator1);
    topLayout->addStretch(1);

    RowCountLabel = new QLabel(QStringLiteral("Строк: "), top);
    RowCountLabel->setObjectName(m_kind.countLabelName);
    QFont bold = font;
    bold.setBold(true);
    RowCountLabel->setFont(bold);
    setHint(RowCountLabel, m_kind.countHint);
    topLayout->addWidget(RowCountLabel);

    // The table.
    DBGrid1 = new MeasurementGrid(m_model, this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setAccessibleName(m_kind.gridHint);
    setHint(DBGrid1, m_kind.gridHint);
    const QFontMetrics metrics(DBGrid1->font());
    const int dateWidth =
        metrics.horizontalAdvance(shortDateText(QDate(2000, 12, 28)) + QStringLiteral("00"));
    DBGrid1->setColumnWidth(MeasurementModel::DateColumn, dateWidth);
    DBGrid1->setColumnWidth(MeasurementModel::TimeColumn,
                            metrics.horizontalAdvance(QStringLiteral("00:00:0000")));
    DBGrid1->setColumnWidth(MeasurementModel::UnitColumn, 55);
    for (int c = MeasurementModel::FirstValueColumn; c < MeasurementModel::AlarmColumn; ++c)
        DBGrid1->setColumnWidth(c, 50);
    DBGrid1->setColumnWidth(MeasurementModel::AlarmColumn, 40);

    // Bottom strip: unit group over "ПРИМЕНИТЬ", threshold group, date
    // selection, date range, sort order.
    auto *bottom = new QWidget(this);
    bottom->setFixedHeight(88);
    auto *bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(4, 0, 4, 4);
    bottomLayout->setSpacing(4);

    auto *unitColumn = new QVBoxLayout;
    unitColumn->setSpacing(2);
    UnitGroupBox = new QGroupBox(QStringLiteral("Отбор пультов"), bottom);
    UnitGroupBox->setObjectName(QStringLiteral("UnitGroupBox"));
    auto *unitLayout = new QHBoxLayout(UnitGroupBox);
    unitLayout->setContentsMargins(4, 2, 4, 2);
    unitLayout->addWidget(new QLabel(QStringLiteral("вывести"), UnitGroupBox));
    UnitComboBox = new QComboBox(UnitGroupBox);
    UnitComboBox->setObjectName(QStringLiteral("UnitComboBox"));
    UnitComboBox->addItem(QStringLiteral("ВСЕ"));
    UnitComboBox->setMaxVisibleItems(m_kind.unitListRows);
    UnitComboBox->setAccessibleName(QStringLiteral("Отбор пультов"));
    unitLayout->addWidget(UnitComboBox);
    unitColumn->addWidget(UnitGroupBox);
    ApplyBitBtn = new QPushButton(QStringLiteral("ПРИМЕНИТЬ"), bottom);
    ApplyBitBtn->setObjectName(QStringLiteral("ApplyBitBtn"));
    ApplyBitBtn->setFont(bold);
    setHint(ApplyBitBtn, QStringLiteral("Применить установленные условия"));
    unitColumn->addWidget(ApplyBitBtn);
    bottomLayout->addLayout(unitColumn);

    if (m_kind.currentData) {
        LevelFiltrRadioGroup =
            new RadioGroup(QStringLiteral("Отбор показаний"),
                           {QStringLiteral("все показания"), QStringLiteral("за порогом 1"),
                            QStringLiteral("за порогом 2")},
                           bottom);
        LevelFiltrRadioGroup->setObjectName(QStringLiteral("LevelFiltrRadioGroup"));
        setHint(LevelFiltrRadioGroup, QStringLiteral("Отбор записей по превышенным порогам"));
        bottomLayout->addWidget(LevelFiltrRadioGroup);
    }

    DateFiltrRadioGroup =
        new RadioGroup(QStringLiteral("Отбор по датам "),
                       {QStringLiteral("все даты"), QStringLiteral("последний день"),
                        QStringLiteral("диапазон дат")},
                       bottom);
    DateFiltrRadioGroup->setObjectName(QStringLiteral("DateFiltrRadioGroup"));
    setHint(DateFiltrRadioGroup, m_kind.dateSelectionHint);
    bottomLayout->addWidget(DateFiltrRadioGroup);

    DateRangeGroupBox = new QGroupBox(QStringLiteral("Диапазон дат"), bottom);
    DateRangeGroupBox->setObjectName(QStringLiteral("DateRangeGroupBox"));
    setHint(DateRangeGroupBox,
            QStringLiteral("Диапазон дат устанавливается с клавиатуры или с помощью календаря, "
                           "вызываемого двойным щелчком по полю даты"));
    auto *rangeLayout = new QGridLayout(DateRangeGroupBox);
    rangeLayout->setContentsMargins(6, 2, 6, 2);
    rangeLayout->setVerticalSpacing(2);
    auto dateField = [&](DateField *&field, const char *name, const QString &label, int row) {
        field = new DateField(DateRangeGroupBox);
        field->setObjectName(QString::fromLatin1(name));
        field->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("00.00.0000")) + 8);
        field->setAccessibleName(label);
        field->installEventFilter(this);
        rangeLayout->addWidget(new QLabel(label, DateRangeGroupBox), row, 0);
        rangeLayout->addWidget(field, row, 1);
    };
    dateField(DateMaskEdit1, "DateMaskEdit1", QStringLiteral("от"), 0);
    dateField(DateMaskEdit2, "DateMaskEdit2", QStringLiteral("до"), 1);
    rangeLayout->setColumnStretch(2, 1);
    bottomLayout->addWidget(DateRangeGroupBox);

    SortGroupBox = new QGroupBox(QStringLiteral(" Порядок сортировки "), bottom);
    SortGroupBox->setObjectName(QStringLiteral("SortGroupBox"));
    setHint(SortGroupBox, m_kind.sortHint);
    auto *sortLayout = new QVBoxLayout(SortGroupBox);
    sortLayout->setContentsMargins(6, 2, 4, 2);
    sortLayout->setSpacing(0);
    RadioButton1 = new QRadioButton(QStringLiteral("Последние сверху"), SortGroupBox);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton2 = new QRadioButton(QStringLiteral("Первые сверху"), SortGroupBox);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton1->setChecked(true);
    sortLayout->addWidget(RadioButton1);
    sortLayout->addWidget(RadioButton2);
    bottomLayout->addWidget(SortGroupBox);

    AutoRefreshCheckBox->setAccessibleName(QStringLiteral("Стоп"));
    setHint(AutoRefreshCheckBox, QStringLiteral("\"Заморозить\" строки"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(top);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(bottom);

    connect(ApplyBitBtn, &QPushButton::clicked, this,
            [this] { ui::guarded([this] { ApplyBitBtnClick(); }, this); });
    connect(AutoRefreshCheckBox, &QCheckBox::clicked, this, [this] { AutoRefreshCheckBoxClick(); });
    for (DateField *field : {DateMaskEdit1, DateMaskEdit2}) {
        connect(field, &QLineEdit::textChanged, this, [this, field] { DateMaskEditChange(field); });
    }
    connect(NavFirst, &QToolButton::clicked, this,
            [this] { ui::guarded([this] { DBGrid1->first(); }, this); });
    connect(NavPrior, &QToolButton::clicked, this,
            [this] { ui::guarded([this] { DBGrid1->prior(); }, this); });
    connect(NavNext, &QToolButton::clicked, this,
            [this] { ui::guarded([this] { DBGrid1->next(); }, this); });
    connect(NavLast, &QToolButton::clicked, this,
            [this] { ui::guarded([this] { DBGrid1->last(); }, this); });
    connect(DBGrid1, &MeasurementGrid::positionChanged, this, [this] { updateNavigator(); });
}

void TDataViewForm::setHint(QWidget *widget, const QString &hint) {
    m_hints.set(widget, hint);
    widget->setToolTip(m_hints.shown(widget, m_hintsOn));
}

void TDataViewForm::setHintsEnabled(bool on) {
    m_hintsOn = on;
    m_hints.apply(on);
}

void TDataViewForm::FormCreate() {
    move(m_kind.left, m_kind.top);
    UnitComboBox->setItemText(0, QStringLiteral("Все"));
    for (int n = 1; n <= m_settings.UnitsAmount; ++n)
        UnitComboBox->addItem(QStringLiteral("№ %1").arg(n));
    UnitComboBox->setCurrentIndex(0);
    // The fields' change would choose "диапазон дат"; the choices below come
    // after it.
    DateMaskEdit1->setText(fieldDateText(QDate::currentDate()));
    DateMaskEdit2->setText(fieldDateText(QDate::currentDate()));
    if (LevelFiltrRadioGroup)
        LevelFiltrRadioGroup->setItemIndex(AllReadings);
    DateFiltrRadioGroup->setItemIndex(AllDates);
    setHintsEnabled(m_settings.ShowHint);
    m_table.open();
    setRecordCount(m_table.recordCount());
    if (m_kind.currentData) {
        setWindowTitle(
            QStringLiteral("Текущие данные (за %1 ч. работы)").arg(m_settings.CurrKeepTime));
    }
    DBGrid1->first();
}

void TDataViewForm::FormActivate() {
    if (m_kind.currentData) {
        setWindowTitle(QStringLiteral("Текущие данные (за %1 ч. работы программы)")
                           .arg(m_settings.CurrKeepTime));
    }
    rebuildUnitList();
}

// Removing the chosen unit item leaves no unit chosen; "Все" stays chosen.
void TDataViewForm::rebuildUnitList() {
    const bool allChosen = UnitComboBox->currentIndex() == 0;
    while (UnitComboBox->count() > 1)
        UnitComboBox->removeItem(UnitComboBox->count() - 1);
    for (int n = 1; n <= m_settings.UnitsAmount; ++n)
        UnitComboBox->addItem(QStringLiteral("№ %1").arg(n));
    UnitComboBox->setCurrentIndex(allChosen ? 0 : -1);
}

QString TDataViewForm::filterExpression(int unitItem, int levelItem) {
    QString expression;
    if (unitItem >= 1)
        expression = QStringLiteral("UnitNo=%1").arg(unitItem);
    const QString bound = levelItem == AboveThreshold1   ? QStringLiteral("Alarm>0")
                          : levelItem == AboveThreshold2 ? QStringLiteral("Alarm>1")
                                                         : QString();
    if (!bound.isEmpty())
        expression = expression.isEmpty() ? bound : expression + QStringLiteral(" and ") + bound;
    return expression;
}

void TDataViewForm::ApplyBitBtnClick() {
    // A date field missing a digit keeps the focus and nothing is applied.
    if (!DateMaskEdit1->refuseIncomplete() || !DateMaskEdit2->refuseIncomplete())
        return;
    // The sort order takes effect even when the dates are refused below.
    const bool newestFirst = RadioButton1->isChecked();
    m_table.setIndexName(newestFirst ? QStringLiteral("DAT_IDX_D") : QStringLiteral("DAT_IDX"));
    try {
        if (applyDateRange(newestFirst))
            applyFilter();
    } catch (...) {
        // The rows follow the new order also when the press ends early.
        DBGrid1->first();
        throw;
    }
    DBGrid1->first();
}

bool TDataViewForm::applyDateRange(bool newestFirst) {
    switch (DateFiltrRadioGroup->itemIndex()) {
    case LastDay:
        m_table.setRange(QDate::currentDate(), QDate::currentDate());
        break;
    case DateRange: {
        const auto date = [](QLineEdit *field) {
            const auto parsed = parseFieldDate(field->text());
            if (!parsed)
                throw SystemError(QStringLiteral("'%1' - неверная дата").arg(field->text()));
            return *parsed;
        };
        const QDate from = date(DateMaskEdit1);
        const QDate to = date(DateMaskEdit2);
        if (to < from) {
            ui::showError(rangeErrorText(), this);
            if (m_kind.currentData) {
                const QString first = DateMaskEdit1->text();
                DateMaskEdit1->setText(DateMaskEdit2->text());
                DateMaskEdit2->setText(first);
            }
            DateMaskEdit1->setFocus();
            // The sort order is in force; range and filter stay.
            return false;
        }
        // The descending index runs from the later date to the earlier.
        if (newestFirst)
            m_table.setRange(to, from);
        else
            m_table.setRange(from, to);
        break;
    }
    default:
        m_table.cancelRange();
        break;
    }
    return true;
}

void TDataViewForm::applyFilter() {
    m_table.setFiltered(false);
    m_table.setFilter(QString());
    const QString expression =
        filterExpression(UnitComboBox->currentIndex(),
                         LevelFiltrRadioGroup ? LevelFiltrRadioGroup->itemIndex() : AllReadings);
    if (!expression.isEmpty()) {
        m_table.setFilter(expression);
        m_table.setFiltered(true);
    }
}

void TDataViewForm::AutoRefreshCheckBoxClick() {
    m_autoRefreshViews = !AutoRefreshCheckBox->isChecked();
}

void TDataViewForm::DateMaskEditChange(QLineEdit *field) {
    if (m_kind.currentData || field == DateMaskEdit1)
        DateFiltrRadioGroup->setItemIndex(DateRange);
}

void TDataViewForm::DateMaskEditDblClick(QLineEdit *field) {
    if (!m_picker)
        return;
    int result = QDialog::Rejected;
    {
        const ui::ActivationWatch::OwnModal own(*m_activation);
        result = m_picker->exec();
    }
    if (result != QDialog::Accepted) {
        m_picker->update();
        return;
    }
    // The picker's text has the full year; the field holds two digits.
    const auto date = parseShortDate(m_picker->SelectedDateText());
    field->setText(date ? fieldDateText(*date) : m_picker->SelectedDateText());
}

void TDataViewForm::showView() {
    show();
    raise();
    activateWindow();
}

void TDataViewForm::setRecordCount(qint64 count) {
    RowCountLabel->setText(QStringLiteral("Строк: ") + QString::number(count));
}

void TDataViewForm::recordAppended() {
    if (!m_table.isOpen())
        return;
    setRecordCount(m_table.recordCount());
    if (m_autoRefreshViews)
        DBGrid1->first();
}

void TDataViewForm::recordAppended(qint64 count) {
    setRecordCount(count);
    if (m_autoRefreshViews && m_table.isOpen())
        DBGrid1->first();
}

void TDataViewForm::updateNavigator() {
    const bool bof = DBGrid1->bof();
    const bool eof = DBGrid1->eof();
    NavFirst->setEnabled(!bof);
    NavPrior->setEnabled(!bof);
    NavNext->setEnabled(!eof);
    NavLast->setEnabled(!eof);
}

bool TDataViewForm::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonDblClick &&
        (watched == DateMaskEdit1 || watched == DateMaskEdit2)) {
        auto *field = static_cast<QLineEdit *>(watched);
        ui::guarded([&] { DateMaskEditDblClick(field); }, this);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace orvex::views
