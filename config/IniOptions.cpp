// The options dialog: its look (tabs, controls, captions, hints, design
// values, ranges and places). The steps and handlers are in
// IniOptionsHandlers.cpp.
#include "config/IniOptions.h"

#include "ui/Activation.h"
#include "ui/Messages.h"

#include <QFileDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QMenu>
#include <QPalette>
#include <QToolButton>

namespace orvex::config {
namespace {

const QColor kBodyColour(192, 220, 192);
const QColor kBodyText(128, 0, 0);

// Client area of the dialog and width of every tab.
constexpr int kClientWidth = 792;
constexpr int kClientHeight = 311;
constexpr int kTabWidth = 111;
constexpr int kPageHeight = 270;

QLabel *label(const QString &text, QWidget *parent, int x, int y) {
    auto *l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

template <typename W> W *place(W *widget, int x, int y, int w, int h) {
    widget->setGeometry(x, y, w, h);
    return widget;
}

// A frame with a caption on the left and a control on the right, as the
// configuration tab shows its two counts.
QFrame *labelledFrame(const QString &caption, QWidget *control, QWidget *parent, int x, int y,
                      int w) {
    auto *frame = new QFrame(parent);
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(x, y, w, 36);
    auto *l = label(caption, frame, 10, 0);
    l->setGeometry(10, 0, w - 90, 36);
    control->setParent(frame);
    control->setGeometry(w - 70, 7, 56, 22);
    return frame;
}

SpinEdit *spinEdit(int minValue, int maxValue, int value, int maxLength, const QString &name) {
    auto *edit = new SpinEdit(minValue, maxValue, value);
    edit->setMaxLength(maxLength);
    edit->setObjectName(name);
    return edit;
}

} // namespace

TIniOptionsForm::TIniOptionsForm(OptionsHost &host, QWidget *parent)
    : QDialog(parent), m_host(host), Settings(host.settings()),
      m_register(host.unitsTable(), host.sensorTable(), host.settings()),
      m_focus(new FocusWatcher(this)) {
    m_register.setOnWarning([this](const QString &text) { ui::showWarning(text, this); });
    m_chooseSoundFile = [](QWidget *owner) {
        // A chooser of existing .wav files, starting in the program's Sound
        // folder; several may be chosen, the first is taken.
        QFileDialog chooser(owner, QStringLiteral("Выберите звуковой файл"),
                            programPath(QStringLiteral("Sound")),
                            QStringLiteral("Звуковые файлы (*.wav)"));
        chooser.setFileMode(QFileDialog::ExistingFiles);
        chooser.setOption(QFileDialog::DontUseNativeDialog);
        chooser.setSizeGripEnabled(true);
        if (chooser.exec() != QDialog::Accepted)
            return QStringList();
        return chooser.selectedFiles();
    };
    buildLook();
    wireHandlers();
    watchActivation();
    FormCreate();
}

TIniOptionsForm::~TIniOptionsForm() {
    // Hiding in the base destructor moves the focus; nothing of this class
    // may react to it any more.
    disconnect(qApp, nullptr, this, nullptr);
    delete m_activation;
    m_activation = nullptr;
    delete m_focus;
    m_focus = nullptr;
}

void TIniOptionsForm::setSoundFileChooser(std::function<QStringList(QWidget *)> chooser) {
    m_chooseSoundFile = std::move(chooser);
}

QWidget *TIniOptionsForm::newTab(const QString &header, QWidget *&body) {
    auto *page = new QWidget;
    auto *strip = new QLabel(header, page);
    strip->setObjectName(QStringLiteral("HeaderStrip"));
    strip->setFrameShape(QFrame::Panel);
    strip->setFrameShadow(QFrame::Sunken);
    strip->setAlignment(Qt::AlignCenter);
    QFont bold = strip->font();
    bold.setBold(true);
    strip->setFont(bold);
    QPalette stripPalette = strip->palette();
    stripPalette.setColor(QPalette::WindowText, kBodyText);
    strip->setPalette(stripPalette);
    strip->setGeometry(0, 0, kClientWidth - 6, 24);

    body = new QWidget(page);
    body->setObjectName(QStringLiteral("Body"));
    body->setAutoFillBackground(true);
    QPalette palette = body->palette();
    palette.setColor(QPalette::Window, kBodyColour);
    palette.setColor(QPalette::WindowText, kBodyText);
    palette.setColor(QPalette::ButtonText, kBodyText);
    body->setPalette(palette);
    body->setGeometry(0, 24, kClientWidth - 6, kPageHeight - 24 - 26);
    return page;
}

void TIniOptionsForm::buildLook() {
    setWindowTitle(QStringLiteral("Настройка параметров программы"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setFixedSize(kClientWidth, kClientHeight);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);

    PageControl1 = new PageControl(kTabWidth, this);
    PageControl1->setGeometry(0, 0, kClientWidth, kPageHeight);
    PageControl1->setUsesScrollButtons(false);
    PageControl1->setDocumentMode(false);

    ConfigTabSheet = buildConfigTab();
    UnitsTabSheet = buildUnitsTab();
    Sensors1TabSheet = buildSensors1Tab();
    Sensors2TabSheet = buildSensors2Tab();
    StorageTabSheet = buildStorageTab();
    ConnectionTabSheet = buildConnectionTab();
    SoundTabSheet = buildSoundTab();
    PageControl1->addTab(ConfigTabSheet, QStringLiteral("Конфигурация"));
    PageControl1->addTab(UnitsTabSheet, QStringLiteral("Пульты"));
    PageControl1->addTab(Sensors1TabSheet, QStringLiteral("Датчики-1"));
    PageControl1->addTab(Sensors2TabSheet, QStringLiteral("Датчики-2"));
    PageControl1->addTab(StorageTabSheet, QStringLiteral("Хранение"));
    PageControl1->addTab(ConnectionTabSheet, QStringLiteral("Подключение"));
    PageControl1->addTab(SoundTabSheet, QStringLiteral("Звуки"));
    setHint(ConfigTabSheet, QStringLiteral("НАСТРОЙКА КОНФИГУРАЦИИ ГЛАВНОГО ОКНА ПРОГРАММЫ"));
    setHint(UnitsTabSheet, QStringLiteral("ВВОД СВЕДЕНИЙ О ПУЛЬТАХ и ПОДКЛЮЧЕННЫХ ДАТЧИКАХ"));
    setHint(Sensors1TabSheet, QStringLiteral("ВВОД УДОБНЫХ НАЗВАНИЙ для ПУЛЬТОВ И ДАТЧИКОВ "));
    setHint(Sensors2TabSheet,
            QStringLiteral("ВВОД ПРОИЗВОЛЬНЫХ КОММЕНТАРИЕВ-НАПОМИНАНИЙ К ДАТЧИКАМ"));
    setHint(ConnectionTabSheet, QStringLiteral("НАСТРОЙКА ПАРАМЕТРОВ ПОДКЛЮЧЕНИЯ К ПУЛЬТАМ"));

    CloseBitBtn = new QPushButton(QStringLiteral("ЗАКРЫТЬ ОКНО НАСТРОЙКИ"), this);
    CloseBitBtn->setObjectName(QStringLiteral("CloseBitBtn"));
    QFont bold = CloseBitBtn->font();
    bold.setBold(true);
    CloseBitBtn->setFont(bold);
    CloseBitBtn->setGeometry((kClientWidth - 240) / 2, kPageHeight + 6, 240, 30);
    CloseBitBtn->setDefault(true);
    CloseBitBtn->setAutoDefault(true);
    setHint(CloseBitBtn, QStringLiteral("Закрыть окно настройки"), true);

    // Every control exposes its caption (or hint) to assistive technology.
    for (QWidget *w : findChildren<QWidget *>()) {
        if (w->accessibleName().isEmpty()) {
            if (auto *b = qobject_cast<QAbstractButton *>(w))
                w->setAccessibleName(b->text());
            else if (auto *g = qobject_cast<QGroupBox *>(w))
                w->setAccessibleName(g->title().trimmed());
            else if (auto *l = qobject_cast<QLabel *>(w))
                w->setAccessibleName(l->text());
        }
    }
}

QWidget *TIniOptionsForm::buildConfigTab() {
    QWidget *body = nullptr;
    QWidget *page = newTab(QStringLiteral("КОНФИГУРАЦИЯ ГЛАВНОГО ОКНА ПРОГРАММЫ"), body);

    UnitsAmntSpinEdit = spinEdit(1, kMaxUnits, 1, 2, QStringLiteral("UnitsAmntSpinEdit"));
    UnitsAmntSpinEdit->setEditorEnabled(false);
    QFrame *unitsFrame =
        labelledFrame(QStringLiteral("Отображать пультов"), UnitsAmntSpinEdit, body, 24, 16, 250);
    setHint(unitsFrame, QStringLiteral("Количество пультов в сети и строк в главной таблице"));
    UnitsAmntSpinEdit->setAccessibleName(QStringLiteral("Отображать пультов"));

    SensorSpinEdit = spinEdit(1, kMaxChannels, 8, 1, QStringLiteral("SensorSpinEdit"));
    SensorSpinEdit->setEditorEnabled(false);
    QFrame *sensorFrame =
        labelledFrame(QStringLiteral("Отображать каналов"), SensorSpinEdit, body, 24, 60, 250);
    setHint(sensorFrame,
            QStringLiteral("Количество отображаемых каналов и столбцов в главной таблице"));
    SensorSpinEdit->setAccessibleName(QStringLiteral("Отображать каналов"));

    auto *scanFrame = new QFrame(body);
    scanFrame->setFrameShape(QFrame::Panel);
    scanFrame->setFrameShadow(QFrame::Sunken);
    scanFrame->setGeometry(300, 16, 300, 36);
    ScanCheckBox = new QCheckBox(QStringLiteral("Отображать сканирование пультов"), scanFrame);
    ScanCheckBox->setObjectName(QStringLiteral("ScanCheckBox"));
    ScanCheckBox->setGeometry(10, 7, 280, 22);
    ScanCheckBox->setChecked(true);
    setHint(scanFrame, QStringLiteral("Отбражение линейного индикатора времени и бегущего "
                                      "выделения в столбце пультов."));

    L2procRadioGroup = new RadioGroup(
        QStringLiteral("        Единицы для вывода измеренных величин в главной таблице       "),
        body);
    L2procRadioGroup->setObjectName(QStringLiteral("L2procRadioGroup"));
    L2procRadioGroup->setItems({QStringLiteral("% от порога срабатывания"),
                                QStringLiteral("заданные настройкой пультов   ")},
                               2);
    L2procRadioGroup->setItemIndex(1);
    place(L2procRadioGroup, 24, 112, 576, 52);
    setHint(L2procRadioGroup,
            QStringLiteral("Выберите единицу для вывода в главной таблице. Величину можно "
                           "оперативно изменять, щелкая по столбцу пультов."));
    return page;
}

QWidget *TIniOptionsForm::buildUnitsTab() {
    QWidget *body = nullptr;
    QWidget *page =
        newTab(QStringLiteral("ВВОД СВЕДЕНИЙ О ПУЛЬТАХ и ПОДКЛЮЧЕННЫХ К НИМ ДАТЧИКАХ"), body);
    store::Table &units = m_host.unitsTable();

    QLabel *nameCaption = label(QStringLiteral("Название пульта №"), body, 16, 10);
    UnitIdxDBText = new DbText(units, store::fields::UnitIdx, body);
    place(UnitIdxDBText, 16 + nameCaption->width() + 4, 10, 40, nameCaption->height());
    IniUnitNameDBEdit = place(new DbEdit(units, store::fields::UnitName, 0, body), 16, 28, 340, 22);
    IniUnitNameDBEdit->setObjectName(QStringLiteral("IniUnitNameDBEdit"));
    IniUnitNameDBEdit->setAccessibleName(QStringLiteral("Название пульта"));
    setHint(IniUnitNameDBEdit, QStringLiteral("Развернутое название для вывода в комментариях"));

    label(QStringLiteral("Адрес пульта"), body, 380, 10);
    IniUnitCodDBEdit = place(new DbEdit(units, store::fields::UnitKod, 3, body), 380, 28, 48, 22);
    IniUnitCodDBEdit->setObjectName(QStringLiteral("IniUnitCodDBEdit"));
    IniUnitCodDBEdit->setAccessibleName(QStringLiteral("Адрес пульта"));
    setHint(IniUnitCodDBEdit, QStringLiteral("Код, по которому пульт распознается в сети"));
    label(QStringLiteral("1..15"), body, 388, 53);

    label(QStringLiteral("Перемещение по пультам"), body, 480, 10);
    UnitsDBNavigator = place(new DbNavigator(units, body), 480, 28, 144, 24);
    UnitsDBNavigator->setObjectName(QStringLiteral("UnitsDBNavigator"));
    setHint(UnitsDBNavigator, QStringLiteral("Кнопки навигации по пультам"));

    QLabel *noteCaption =
        label(QStringLiteral("Произвольное напоминание к пульту №"), body, 16, 76);
    UnitIdxDBText2 = new DbText(units, store::fields::UnitIdx, body);
    place(UnitIdxDBText2, 16 + noteCaption->width() + 4, 76, 40, noteCaption->height());
    IniUnitDescrDBMemo = place(new DbMemo(units, store::fields::UnitDescription, body), 16, 94,
                               kClientWidth - 40, 120);
    IniUnitDescrDBMemo->setObjectName(QStringLiteral("IniUnitDescrDBMemo"));
    IniUnitDescrDBMemo->setAccessibleName(QStringLiteral("Произвольное напоминание к пульту"));
    setHint(IniUnitDescrDBMemo, QStringLiteral("Произвольный текст до 255 символов, который "
                                               "будет выводиться в подсказке к пульту"));
    return page;
}

QWidget *TIniOptionsForm::buildSensors1Tab() {
    QWidget *body = nullptr;
    QWidget *page = newTab(QStringLiteral("ВВОД УДОБНЫХ НАЗВАНИЙ для ДАТЧИКОВ   "), body);
    QLabel *caption = label(QStringLiteral("Перемещение по пультам : №"), body, 16, 12);
    Sensors1UnitIdxDBText = new DbText(m_host.unitsTable(), store::fields::UnitIdx, body);
    place(Sensors1UnitIdxDBText, 16 + caption->width() + 4, 12, 30, caption->height());
    Sensors1DBNavigator = place(new DbNavigator(m_host.unitsTable(), body), 260, 6, 144, 24);
    Sensors1DBNavigator->setObjectName(QStringLiteral("Sensors1DBNavigator"));
    SensorDBCtrlGrid =
        place(new SensorPanelGrid(m_host.sensorTable(), body), 16, 36, kClientWidth - 40, 178);
    SensorDBCtrlGrid->setObjectName(QStringLiteral("SensorDBCtrlGrid"));
    setHint(SensorDBCtrlGrid, QStringLiteral("Названия датчиков для вывода в подсказках к ним"));
    return page;
}

QWidget *TIniOptionsForm::buildSensors2Tab() {
    QWidget *body = nullptr;
    QWidget *page =
        newTab(QStringLiteral("ВВОД ПРОИЗВОЛЬНЫХ КОММЕНТАРИЕВ-НАПОМИНАНИЙ К ДАТЧИКАМ   "), body);
    QLabel *caption = label(QStringLiteral("Перемещение по пультам : №"), body, 16, 12);
    Sensors2UnitIdxDBText = new DbText(m_host.unitsTable(), store::fields::UnitIdx, body);
    place(Sensors2UnitIdxDBText, 16 + caption->width() + 4, 12, 30, caption->height());
    Sensors2DBNavigator = place(new DbNavigator(m_host.unitsTable(), body), 260, 6, 144, 24);
    Sensors2DBNavigator->setObjectName(QStringLiteral("Sensors2DBNavigator"));
    SensorDBGrid = place(new SensorDescriptionTable(m_host.sensorTable(), body), 16, 36,
                         kClientWidth - 40, 178);
    SensorDBGrid->setObjectName(QStringLiteral("SensorDBGrid"));
    setHint(SensorDBGrid, QStringLiteral("Произвольный текст до 125 символов, который будет "
                                         "выводиться в подсказке к датчику"));
    return page;
}

QWidget *TIniOptionsForm::buildStorageTab() {
    QWidget *body = nullptr;
    QWidget *page = newTab(QStringLiteral("НАСТРОЙКА ХРАНЕНИЯ ДАННЫХ"), body);

    CurrKeepGroupBox =
        place(new QGroupBox(QStringLiteral("Хранение текущих данных"), body), 24, 16, 360, 96);
    CurrKeepGroupBox->setObjectName(QStringLiteral("CurrKeepGroupBox"));
    label(QStringLiteral("Время хранения текущих данных (в часах)"), CurrKeepGroupBox, 12, 28);
    CurrKeepSpinEdit = spinEdit(1, 120, 24, 3, QStringLiteral("CurrKeepSpinEdit"));
    CurrKeepSpinEdit->setParent(CurrKeepGroupBox);
    place(CurrKeepSpinEdit, 12, 52, 60, 22);
    CurrKeepSpinEdit->setAccessibleName(QStringLiteral("Время хранения текущих данных (в часах)"));
    label(QStringLiteral("( 1-120 )"), CurrKeepGroupBox, 84, 56);
    // Its hint is the table-size estimate; always shown.
    setHint(CurrKeepGroupBox, QString(), true);

    ArcKeepGroupBox =
        place(new QGroupBox(QStringLiteral("Хранение архивных данных"), body), 404, 16, 360, 96);
    ArcKeepGroupBox->setObjectName(QStringLiteral("ArcKeepGroupBox"));
    label(QStringLiteral("Заносить в архив, если превышен порог"), ArcKeepGroupBox, 12, 28);
    ArcKeepSpinEdit = spinEdit(1, 2, 2, 2, QStringLiteral("ArcKeepSpinEdit"));
    ArcKeepSpinEdit->setParent(ArcKeepGroupBox);
    place(ArcKeepSpinEdit, 12, 52, 60, 22);
    ArcKeepSpinEdit->setAccessibleName(QStringLiteral("Заносить в архив, если превышен порог"));
    label(QStringLiteral("( 1-2 )"), ArcKeepGroupBox, 84, 56);
    setHint(ArcKeepGroupBox, QStringLiteral("1 - порог предупреждения; 2 - порог срабатывания"));
    return page;
}

QWidget *TIniOptionsForm::buildConnectionTab() {
    QWidget *body = nullptr;
    QWidget *page = newTab(QStringLiteral("НАСТРОЙКА ПАРАМЕТРОВ ПОДКЛЮЧЕНИЯ К ПУЛЬТАМ"), body);

    ComNoRadioGroup =
        place(new RadioGroup(QStringLiteral("Номер СОМ-порта"), body), 16, 8, 220, 208);
    ComNoRadioGroup->setObjectName(QStringLiteral("ComNoRadioGroup"));
    setHint(ComNoRadioGroup, QStringLiteral("Выберите свободный порт"), true);

    COMSpeedRadioGroup = place(
        new RadioGroup(QStringLiteral("Скорость обмена (параметр \"Б\")"), body), 252, 8, 260, 130);
    COMSpeedRadioGroup->setObjectName(QStringLiteral("COMSpeedRadioGroup"));
    COMSpeedRadioGroup->setItems(speedTexts(), 2);
    COMSpeedRadioGroup->setItemIndex(0);
    setHint(COMSpeedRadioGroup,
            QStringLiteral("Установите параметр \"Б\" в соответствии с настройкой пультов (см. "
                           "инструкцию по работе с пультами)"),
            true);
    QLabel *lines = label(QStringLiteral("RS-232       |       RS-485"), body, 252, 142);
    lines->setGeometry(252, 142, 260, lines->height());
    lines->setAlignment(Qt::AlignHCenter);

    PeriodGroupBox =
        place(new QGroupBox(QStringLiteral("Период опроса пультов"), body), 528, 8, 236, 80);
    PeriodGroupBox->setObjectName(QStringLiteral("PeriodGroupBox"));
    PeriodSpinEdit = spinEdit(10, 900, 10, 3, QStringLiteral("PeriodSpinEdit"));
    PeriodSpinEdit->setIncrement(10);
    PeriodSpinEdit->setParent(PeriodGroupBox);
    place(PeriodSpinEdit, 12, 30, 60, 22);
    PeriodSpinEdit->setAccessibleName(QStringLiteral("Период опроса пультов"));
    label(QStringLiteral("период в секундах         10..900"), PeriodGroupBox, 12, 56);
    setHint(PeriodGroupBox, QString(), true);
    // Closing the dialog (Esc or the close box too) leaves the field: a
    // number outside 10..900 takes the nearest bound, which is what the poll
    // period was given, so the field and the period agree when it is shown
    // again.
    connect(this, &QDialog::finished, PeriodSpinEdit, &SpinEdit::clampToRange);
    return page;
}

QWidget *TIniOptionsForm::buildSoundTab() {
    QWidget *body = nullptr;
    QWidget *page = newTab(
        QStringLiteral("НАСТРОЙКА ЗВУКОВЫХ СИГНАЛОВ, ПОДАВАЕМЫХ ПРИ ПРЕВЫШЕНИИ СИГНАЛЬНОГО ПОРОГА"),
        body);

    SoundCheckBox = place(new QCheckBox(QStringLiteral("Использовать звуковую сигнализацию"), body),
                          24, 14, 320, 22);
    SoundCheckBox->setObjectName(QStringLiteral("SoundCheckBox"));
    setHint(SoundCheckBox,
            QStringLiteral("Включение звуковой сигнализации, подаваемой от компьютера"));

    QLabel *amountCaption = label(QStringLiteral("Задать число повторов:"), body, 24, 50);
    SoundAmountSpinEdit = spinEdit(1, 99, 1, 2, QStringLiteral("SoundAmountSpinEdit"));
    SoundAmountSpinEdit->setParent(body);
    place(SoundAmountSpinEdit, 24 + amountCaption->width() + 10, 46, 56, 22);
    SoundAmountSpinEdit->setAccessibleName(QStringLiteral("Задать число повторов:"));
    setHint(SoundAmountSpinEdit, QStringLiteral("Число повторов воспроизведения звукового файла"));

    QLabel *fileCaption = label(QStringLiteral("Звуковой файл сигнализации"), body, 24, 86);
    SndFileLabeledEdit = place(new QLineEdit(body), 24, 104, 580, 22);
    SndFileLabeledEdit->setObjectName(QStringLiteral("SndFileLabeledEdit"));
    fileCaption->setBuddy(SndFileLabeledEdit);
    SndFileLabeledEdit->setAccessibleName(fileCaption->text());
    SndFileLabeledEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    setHint(SndFileLabeledEdit, QStringLiteral("Полное имя звукового файла для сигнализации"));
    SndFilePopupMenu = new QMenu(this);
    SndFilePopupMenu->addAction(QStringLiteral("Воспроизвести "), this,
                                &TIniOptionsForm::PlayOnceMenuItemClick);

    SelectSoundButton = place(new QPushButton(QStringLiteral("Выбрать"), body), 620, 102, 140, 26);
    SelectSoundButton->setObjectName(QStringLiteral("SelectSoundButton"));
    SelectSoundButton->setAutoDefault(false);
    setHint(SelectSoundButton, QStringLiteral("Выбрать звуковой файл для сигнализации"));
    PlaySoundButton =
        place(new QPushButton(QStringLiteral("Воспроизвести"), body), 620, 136, 140, 26);
    PlaySoundButton->setObjectName(QStringLiteral("PlaySoundButton"));
    PlaySoundButton->setAutoDefault(false);
    setHint(PlaySoundButton, QStringLiteral("Воспроизвести звуковой файл с учетом числа повторов"));
    return page;
}

void TIniOptionsForm::setHint(QWidget *control, const QString &text, bool always) {
    m_hints.set(control, text, always);
}

QString TIniOptionsForm::hintOf(const QWidget *control) const {
    return m_hints.shown(control, m_host.hintsOn());
}

void TIniOptionsForm::applyHints() {
    // The hint texts as the system writes them (carriage returns for line
    // breaks); the program's hint hook renders them.
    m_hints.apply(m_host.hintsOn());
    for (auto it = m_hints.hints().constBegin(); it != m_hints.hints().constEnd(); ++it) {
        QWidget *control = it.key();
        const int tab = PageControl1->indexOf(control);
        if (tab >= 0)
            PageControl1->setTabToolTip(tab, control->toolTip());
    }
}

} // namespace orvex::config
