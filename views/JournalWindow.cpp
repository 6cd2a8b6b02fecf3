// The journal window.
#include "views/JournalWindow.h"

#include "store/Events.h"
#include "ui/ErrorHandler.h"
#include "views/Calndr2.h"
#include "views/CsvExport.h"
#include "views/DateFormats.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace orvex::views {

namespace {

template <typename W> W *named(W *w, const char *name, const QString &accessible) {
    w->setObjectName(QString::fromLatin1(name));
    w->setAccessibleName(accessible);
    return w;
}

QString dateTimeText(const QDateTime &t) {
    if (!t.isValid())
        return QString();
    return shortDateText(t.date()) + QLatin1Char(' ') +
           t.time().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

QString JournalWindow::caption(qint64 pending) {
    QString text = QStringLiteral("Журнал событий");
    if (pending > 0)
        text += QStringLiteral(" (неквитированных тревог: %1)").arg(pending);
    return text;
}

JournalWindow::JournalWindow(QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("JournalWindow"));
    setWindowTitle(caption(0));
    setAccessibleName(windowTitle());
    resize(1060, 500);
    m_table.setReadOnly(true);
    m_model = new JournalModel(m_table, this);

    Pages = named(new QTabWidget(this), "Pages", QStringLiteral("Страницы журнала"));
    Pages->addTab(createEventsPage(), QStringLiteral("События"));
    Pages->addTab(createDiagnosticsPage(), QStringLiteral("Диагностика"));
    Pages->addTab(createSettingsPage(), QStringLiteral("Настройки"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(Pages);
    connect(Pages, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == 1)
            refreshDiagnostics();
    });
}

JournalWindow::~JournalWindow() {
    try {
        m_table.close();
    } catch (...) {
    }
}

QWidget *JournalWindow::createEventsPage() {
    auto *page = new QWidget(this);
    auto *filters = new QHBoxLayout;
    UnitCombo = named(new QComboBox(page), "UnitCombo", QStringLiteral("Пульт"));
    KindCombo = named(new QComboBox(page), "KindCombo", QStringLiteral("Вид событий"));
    KindCombo->addItems({QStringLiteral("Тревоги"), QStringLiteral("Связь"),
                         QStringLiteral("Программа и настройки"), QStringLiteral("Все")});
    KindCombo->setCurrentIndex(AllKinds);
    DateCheck =
        named(new QCheckBox(QStringLiteral("Даты"), page), "DateCheck", QStringLiteral("Даты"));
    DateCheck->setToolTip(QStringLiteral(
        "Диапазон дат устанавливается с клавиатуры или с помощью календаря, вызываемого двойным "
        "щелчком по полю даты"));
    const int fieldWidth = fontMetrics().horizontalAdvance(QStringLiteral("00.00.0000")) + 8;
    auto dateField = [&](const char *name, const QString &label) {
        auto *field = named(new QLineEdit(page), name, label);
        field->setInputMask(fieldInputMask());
        field->setText(fieldDateText(QDate::currentDate()));
        field->setFixedWidth(fieldWidth);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, DateCheck, [this] { DateCheck->setChecked(true); });
        return field;
    };
    DateMaskEdit1 = dateField("DateMaskEdit1", QStringLiteral("от"));
    DateMaskEdit2 = dateField("DateMaskEdit2", QStringLiteral("до"));
    ApplyButton = named(new QPushButton(QStringLiteral("ПРИМЕНИТЬ"), page), "ApplyButton",
                        QStringLiteral("ПРИМЕНИТЬ"));
    filters->addWidget(new QLabel(QStringLiteral("Пульт:"), page));
    filters->addWidget(UnitCombo);
    filters->addWidget(new QLabel(QStringLiteral("События:"), page));
    filters->addWidget(KindCombo);
    filters->addWidget(DateCheck);
    filters->addWidget(new QLabel(QStringLiteral("от"), page));
    filters->addWidget(DateMaskEdit1);
    filters->addWidget(new QLabel(QStringLiteral("до"), page));
    filters->addWidget(DateMaskEdit2);
    filters->addWidget(ApplyButton);
    filters->addStretch(1);

    EventsGrid = named(new QTableView(page), "EventsGrid", QStringLiteral("События"));
    EventsGrid->setModel(m_model);
    EventsGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    EventsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    EventsGrid->verticalHeader()->hide();
    EventsGrid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    EventsGrid->horizontalHeader()->setStretchLastSection(false);
    EventsGrid->horizontalHeader()->setSectionResizeMode(JournalModel::TextColumn,
                                                         QHeaderView::Stretch);
    const QFontMetrics fm = EventsGrid->fontMetrics();
    const char *samples[] = {
        "00000000",     "00.00.0000",     "00:00:00", "Пульт", "Канал",
        "Квитирование", "предупреждение", "Значение", "",      "00.00.0000 00:00:00 оператор"};
    for (int c = 0; c < JournalModel::kColumns; ++c)
        if (c != JournalModel::TextColumn)
            EventsGrid->setColumnWidth(c, fm.horizontalAdvance(QString::fromUtf8(samples[c])) + 14);
    EventsGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(EventsGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        QMenu menu(this);
        menu.addAction(QStringLiteral("Экспорт в CSV..."), this,
                       [this] { ui::guarded([this] { exportCsv(); }, this); });
        menu.exec(EventsGrid->viewport()->mapToGlobal(at));
    });
    connect(EventsGrid->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &JournalWindow::onScroll);

    auto *bottom = new QHBoxLayout;
    NewestButton = named(new QPushButton(QStringLiteral("Новые"), page), "NewestButton",
                         QStringLiteral("Новые"));
    OldestButton = named(new QPushButton(QStringLiteral("Старые"), page), "OldestButton",
                         QStringLiteral("Старые"));
    PendingLabel = named(new QLabel(page), "PendingLabel", QString());
    AckButton = named(new QPushButton(QStringLiteral("КВИТИРОВАТЬ"), page), "AckButton",
                      QStringLiteral("КВИТИРОВАТЬ"));
    AckButton->setToolTip(QStringLiteral(
        "Квитировать выделенные тревоги или, если ничего не выделено, все показанные"));
    QFont bold = AckButton->font();
    bold.setBold(true);
    AckButton->setFont(bold);
    bottom->addWidget(NewestButton);
    bottom->addWidget(OldestButton);
    bottom->addWidget(PendingLabel, 1);
    bottom->addWidget(AckButton);

    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(filters);
    layout->addWidget(EventsGrid, 1);
    layout->addLayout(bottom);

    connect(ApplyButton, &QPushButton::clicked, this,
            [this] { ui::guarded([this] { applyFilters(); }, this); });
    connect(NewestButton, &QPushButton::clicked, this,
            [this] { ui::guarded([this] { showNewest(); }, this); });
    connect(OldestButton, &QPushButton::clicked, this,
            [this] { ui::guarded([this] { showOldest(); }, this); });
    connect(AckButton, &QPushButton::clicked, this,
            [this] { ui::guarded([this] { acknowledge(); }, this); });
    setUnitCount(1);
    setPendingCount(0);
    return page;
}

QWidget *JournalWindow::createDiagnosticsPage() {
    auto *page = new QWidget(this);
    DiagGrid = named(new QTableWidget(0, 10, page), "DiagGrid", QStringLiteral("Диагностика"));
    DiagGrid->setHorizontalHeaderLabels(
        {QStringLiteral("Пульт"), QStringLiteral("Адрес"), QStringLiteral("Опросов"),
         QStringLiteral("Ответов"), QStringLiteral("Нет ответа"), QStringLiteral("Ошибка КСО"),
         QStringLiteral("Отказов"), QStringLiteral("Код отказа"), QStringLiteral("Последний ответ"),
         QStringLiteral("Состояние")});
    DiagGrid->verticalHeader()->hide();
    DiagGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DiagGrid->horizontalHeader()->setStretchLastSection(true);
    DiagGrid->resizeColumnsToContents();
    auto *note = new QLabel(QStringLiteral("Счётчики ведутся с последнего нажатия СТАРТ."), page);
    auto *refresh = named(new QPushButton(QStringLiteral("Обновить"), page), "DiagRefresh",
                          QStringLiteral("Обновить"));
    connect(refresh, &QPushButton::clicked, this, [this] { refreshDiagnostics(); });
    auto *row = new QHBoxLayout;
    row->addWidget(note, 1);
    row->addWidget(refresh);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(DiagGrid, 1);
    layout->addLayout(row);
    return page;
}

QWidget *JournalWindow::createSettingsPage() {
    auto *page = new QWidget(this);
    LossPollsSpin = named(new QSpinBox(page), "LossPollsSpin",
                          QStringLiteral("Опросов без ответа до тревоги \"нет связи\""));
    LossPollsSpin->setRange(1, 99);
    LossPollsSpin->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 40);
    LatchBox =
        named(new QCheckBox(QStringLiteral("Звук тревоги повторяется до квитирования"), page),
              "LatchBox", QStringLiteral("Звук тревоги повторяется до квитирования"));
    LossSoundBox = named(new QCheckBox(QStringLiteral("Потеря связи звучит как авария"), page),
                         "LossSoundBox", QStringLiteral("Потеря связи звучит как авария"));
    MarksBox =
        named(new QCheckBox(QStringLiteral("Отмечать пульты с неквитированными тревогами"), page),
              "MarksBox", QStringLiteral("Отмечать пульты с неквитированными тревогами"));
    SaveButton = named(new QPushButton(QStringLiteral("СОХРАНИТЬ"), page), "SaveButton",
                       QStringLiteral("СОХРАНИТЬ"));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Опросов без ответа до тревоги \"нет связи\":"), LossPollsSpin);
    form->addRow(LatchBox);
    form->addRow(LossSoundBox);
    form->addRow(MarksBox);
    auto *layout = new QVBoxLayout(page);
    layout->addLayout(form);
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(SaveButton);
    layout->addLayout(row);
    layout->addStretch(1);
    connect(SaveButton, &QPushButton::clicked, this, [this] {
        ui::guarded(
            [this] {
                config::JournalSettings s;
                s.LossPolls = LossPollsSpin->value();
                s.Latch = LatchBox->isChecked();
                s.LossSound = LossSoundBox->isChecked();
                s.Marks = MarksBox->isChecked();
                if (saveSettings)
                    saveSettings(s);
            },
            this);
    });
    return page;
}

void JournalWindow::setJournalSettings(const config::JournalSettings &s) {
    LossPollsSpin->setValue(s.LossPolls);
    LatchBox->setChecked(s.Latch);
    LossSoundBox->setChecked(s.LossSound);
    MarksBox->setChecked(s.Marks);
}

void JournalWindow::openJournal(const QString &databaseName) {
    m_table.close();
    m_table.setDatabaseName(databaseName);
    m_table.setTableName(QString::fromLatin1(store::kEventsFile));
    m_table.setIndexName(QStringLiteral("EVT_IDX_D"));
    m_table.open();
    m_model->loadFirst();
}

void JournalWindow::closeJournal() {
    m_model->clear();
    m_table.close();
}

void JournalWindow::setUnitCount(int units) {
    const int current = UnitCombo->currentIndex();
    UnitCombo->clear();
    UnitCombo->addItem(QStringLiteral("Все"));
    for (int u = 1; u <= units; ++u)
        UnitCombo->addItem(QStringLiteral("Пульт №%1").arg(u));
    UnitCombo->setCurrentIndex(current >= 0 && current <= units ? current : 0);
}

void JournalWindow::setPendingCount(qint64 count) {
    m_pending = count;
    setWindowTitle(caption(count));
    setAccessibleName(windowTitle());
    PendingLabel->setText(QStringLiteral("Неквитированных тревог: %1").arg(count));
    PendingLabel->setAccessibleName(PendingLabel->text());
}

void JournalWindow::eventsAdded() {
    if (!isVisible()) {
        m_stale = true;
        return;
    }
    // The operator reading older pages keeps his place.
    if (EventsGrid->verticalScrollBar()->value() == 0 && m_table.isOpen())
        m_model->loadFirst();
}

void JournalWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (m_stale && m_table.isOpen()) {
        m_stale = false;
        ui::guarded([this] { m_model->loadFirst(); }, this);
    }
}

void JournalWindow::applyFilters() {
    if (!m_table.isOpen())
        return;
    QStringList terms;
    if (UnitCombo->currentIndex() > 0)
        terms << QStringLiteral("UnitNo=%1").arg(UnitCombo->currentIndex());
    switch (KindCombo->currentIndex()) {
    case Alarms:
        terms << QString::fromLatin1(store::kAlarmKindsFilter);
        break;
    case Communication:
        terms << QString::fromLatin1(store::kCommunicationFilter);
        break;
    case ProgramAndSettings:
        terms << QString::fromLatin1(store::kProgramKindsFilter);
        break;
    default:
        break;
    }
    if (DateCheck->isChecked()) {
        const auto from = parseFieldDate(DateMaskEdit1->text());
        const auto to = parseFieldDate(DateMaskEdit2->text());
        if (!from || !to) {
            ui::showError(QStringLiteral("Неверная дата: %1")
                              .arg(!from ? DateMaskEdit1->text() : DateMaskEdit2->text()),
                          this);
            (!from ? DateMaskEdit1 : DateMaskEdit2)->setFocus();
            return;
        }
        m_table.setRange(*from, *to);
    } else {
        m_table.cancelRange();
    }
    m_table.setFilter(terms.join(QStringLiteral(" and ")));
    m_table.setFiltered(!terms.isEmpty());
    m_model->loadFirst();
}

void JournalWindow::showNewest() {
    m_model->loadFirst();
    EventsGrid->scrollToTop();
}

void JournalWindow::showOldest() {
    m_model->loadLast();
    EventsGrid->scrollToBottom();
}

void JournalWindow::onScroll(int value) {
    if (value != EventsGrid->verticalScrollBar()->minimum())
        return;
    ui::guarded(
        [this] {
            const int added = m_model->fetchBefore();
            if (added > 0)
                EventsGrid->scrollTo(m_model->index(added, 0), QAbstractItemView::PositionAtTop);
        },
        this);
}

QList<qint64> JournalWindow::shownPending() const {
    QList<qint64> ids;
    const auto selected = EventsGrid->selectionModel()->selectedRows();
    if (!selected.isEmpty()) {
        for (const QModelIndex &i : selected)
            if (m_model->pending(i.row()))
                ids << m_model->eventId(i.row());
        return ids;
    }
    // Nothing selected: every waiting event the filters let through.
    if (!pendingEvents)
        return ids;
    const int unit = UnitCombo->currentIndex();
    const int kinds = KindCombo->currentIndex();
    for (const store::PendingAlarm &p : pendingEvents()) {
        if (unit > 0 && p.unitNo != unit)
            continue;
        if (kinds == Alarms && int(p.kind) >= 3)
            continue;
        if (kinds == Communication && p.kind != store::EventKind::Communication)
            continue;
        if (kinds == ProgramAndSettings)
            continue;
        if (DateCheck->isChecked()) {
            const auto from = parseFieldDate(DateMaskEdit1->text());
            const auto to = parseFieldDate(DateMaskEdit2->text());
            if (from && to && (p.date < std::min(*from, *to) || p.date > std::max(*from, *to)))
                continue;
        }
        ids << p.id;
    }
    return ids;
}

void JournalWindow::acknowledge() {
    const QList<qint64> ids = shownPending();
    if (ids.isEmpty() || !acknowledgeEvents)
        return;
    acknowledgeEvents(ids);
    m_model->loadFirst();
}

void JournalWindow::refreshDiagnostics() {
    if (!diagnostics)
        return;
    const QList<JournalDiagnostics> rows = diagnostics();
    DiagGrid->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const JournalDiagnostics &d = rows[r];
        const QString state = d.polls == 0 && !d.lost ? QStringLiteral("не опрашивался")
                              : d.lost ? QStringLiteral("нет связи с ") + dateTimeText(d.lostSince)
                                       : QStringLiteral("отвечает");
        const QStringList cells{QStringLiteral("Пульт №%1").arg(d.unitNo),
                                QString::number(d.address),
                                QString::number(d.polls),
                                QString::number(d.good),
                                QString::number(d.noReply),
                                QString::number(d.badChecksum),
                                QString::number(d.exceptions),
                                d.lastExceptionCode < 0 ? QString()
                                                        : QString::number(d.lastExceptionCode),
                                dateTimeText(d.lastGood),
                                state};
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            item->setData(Qt::AccessibleTextRole, cells[c]);
            if (d.lost)
                item->setBackground(QColor(255, 200, 200));
            DiagGrid->setItem(r, c, item);
        }
    }
    DiagGrid->resizeColumnsToContents();
}

void JournalWindow::exportCsv() {
    if (!m_table.isOpen())
        return;
    QStringList headers;
    for (int c = 0; c < JournalModel::kColumns; ++c)
        headers << JournalModel::columnTitle(c);
    exportCsvInteractive(
        this, m_table, headers,
        [](const store::Row &row) {
            QStringList cells;
            for (int c = 0; c < JournalModel::kColumns; ++c)
                cells << JournalModel::cellText(row, c);
            return cells;
        },
        QStringLiteral("journal.csv"), m_table.recordCount());
}

bool JournalWindow::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseButtonDblClick &&
        (watched == DateMaskEdit1 || watched == DateMaskEdit2)) {
        auto *field = static_cast<QLineEdit *>(watched);
        ui::guarded([&] { pickDate(field); }, this);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void JournalWindow::pickDate(QLineEdit *field) {
    if (!m_picker)
        m_picker = new TDateDlgForm(this);
    if (m_picker->exec() != QDialog::Accepted)
        return;
    const auto date = parseShortDate(m_picker->SelectedDateText());
    if (date) {
        field->setText(fieldDateText(*date));
        DateCheck->setChecked(true);
    }
}

} // namespace orvex::views
