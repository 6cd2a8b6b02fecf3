// The options dialog: creation, activation, deactivation, closing and the
// handlers of its controls.
#include "config/IniOptions.h"

#include "polling/Protocol.h"
#include "serial/BCPort.h"
#include "serial/PortMap.h"
#include "ui/Activation.h"
#include "ui/ErrorHandler.h"
#include "ui/ShellOpen.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QToolButton>
#include <QValidator>
#include <QWindow>

namespace orvex::config {
namespace {

// Refuses text the settings file's code page cannot hold, where it is typed.
class CodePageValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override {
        return fitsSettingsCodePage(input) ? Acceptable : Invalid;
    }
};

UnitNavigatorButton navigatorButton(DbNavigator::Button button) {
    switch (button) {
    case DbNavigator::First:
        return UnitNavigatorButton::First;
    case DbNavigator::Prior:
        return UnitNavigatorButton::Prior;
    case DbNavigator::Next:
        return UnitNavigatorButton::Next;
    case DbNavigator::Last:
        break;
    }
    return UnitNavigatorButton::Last;
}

} // namespace

QStringList OptionsHost::listSerialPorts() {
    QStringList ports;
    serial::ListSerialPorts(ports);
    return ports;
}

QString OptionsHost::portDevicePath(const QString &portName) {
    return serial::PortDevicePath(portName);
}

void TIniOptionsForm::wireHandlers() {
    const QString navigatorHints[4] = {
        QStringLiteral("Первый пульт "), QStringLiteral("Предыдущий пульт"),
        QStringLiteral("Следующий пульт"), QStringLiteral("Последний пульт")};
    for (DbNavigator *navigator : {UnitsDBNavigator, Sensors1DBNavigator, Sensors2DBNavigator}) {
        const bool always = navigator == Sensors1DBNavigator;
        for (int b = 0; b < 4; ++b)
            setHint(navigator->button(DbNavigator::Button(b)), navigatorHints[b], always);
        connect(navigator, &DbNavigator::moved, this, &TIniOptionsForm::DBNavigatorClick);
    }
    setHint(Sensors1DBNavigator, QString(), true);

    const auto leave = [this](QWidget *control, auto handler) {
        m_focus->onLeave(control,
                         [this, handler] { ui::guarded([&] { (this->*handler)(); }, this); });
    };
    leave(UnitsAmntSpinEdit, &TIniOptionsForm::UnitsAmntSpinEditExit);
    leave(L2procRadioGroup, &TIniOptionsForm::L2procRadioGroupExit);
    leave(IniUnitCodDBEdit, &TIniOptionsForm::IniUnitCodDBEditExit);
    leave(CurrKeepSpinEdit, &TIniOptionsForm::CurrKeepSpinEditExit);
    leave(ArcKeepSpinEdit, &TIniOptionsForm::ArcKeepSpinEditExit);
    leave(ComNoRadioGroup, &TIniOptionsForm::ComNoRadioGroupExit);
    leave(COMSpeedRadioGroup, &TIniOptionsForm::COMSpeedRadioGroupExit);
    leave(SoundCheckBox, &TIniOptionsForm::SoundCheckBoxExit);
    leave(SoundAmountSpinEdit, &TIniOptionsForm::SoundAmountSpinEditChange);
    // A numeric field left out of range (after its own rule) takes the
    // nearest bound; the watches run in the order they were added.
    for (SpinEdit *field : {CurrKeepSpinEdit, ArcKeepSpinEdit, PeriodSpinEdit, SoundAmountSpinEdit})
        m_focus->onLeave(field, [field] { field->clampToRange(); });

    m_focus->onEnter(StorageTabSheet, [this] { StorageTabSheetEnter(); });
    m_focus->onEnter(ConnectionTabSheet, [this] { ConnectionTabSheetEnter(); });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == StorageTab)
            StorageTabSheetEnter();
        else if (index == ConnectionTab)
            ConnectionTabSheetEnter();
    });

    connect(COMSpeedRadioGroup, &RadioGroup::itemClicked, this, [this] { m_speedChosen = true; });
    connect(ScanCheckBox, &QCheckBox::clicked, this, &TIniOptionsForm::ScanCheckBoxClick);
    connect(CurrKeepSpinEdit, &SpinEdit::changed, this, &TIniOptionsForm::CurrKeepSpinEditChange);
    connect(PeriodSpinEdit, &SpinEdit::changed, this, &TIniOptionsForm::PeriodSpinEditChange);
    connect(SoundAmountSpinEdit, &SpinEdit::changed, this,
            &TIniOptionsForm::SoundAmountSpinEditChange);
    connect(SelectSoundButton, &QPushButton::clicked, this,
            &TIniOptionsForm::SelectSoundButtonClick);
    connect(PlaySoundButton, &QPushButton::clicked, this, &TIniOptionsForm::PlaySoundButtonClick);
    connect(CloseBitBtn, &QPushButton::clicked, this, &TIniOptionsForm::CloseBitBtnClick);
    SndFileLabeledEdit->setValidator(new CodePageValidator(SndFileLabeledEdit));
    SndFileLabeledEdit->installEventFilter(this);
    connect(SndFileLabeledEdit, &QWidget::customContextMenuRequested, this,
            [this](QPoint at) { SndFilePopupMenu->popup(SndFileLabeledEdit->mapToGlobal(at)); });
}

bool TIniOptionsForm::eventFilter(QObject *watched, QEvent *event) {
    if (watched == SndFileLabeledEdit && event->type() == QEvent::MouseButtonDblClick) {
        SndFileLabeledEditDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// --- creation ------------------------------------------------------------

void TIniOptionsForm::fillPortList(const QStringList &ports) {
    ComNoRadioGroup->setItems(ports, 2);
    // Each port shows the device behind its name.
    for (int i = 0; i < ports.size(); ++i) {
        QString device;
        ui::guarded([&] { device = m_host.portDevicePath(ports[i]); }, this);
        const QString hint = QStringLiteral("Выберите свободный порт") + QStringLiteral("\r") +
                             ports[i] + QStringLiteral(" = ") +
                             (device.isEmpty() ? QStringLiteral("?") : device);
        QAbstractButton *button = ComNoRadioGroup->button(i);
        setHint(button, hint, true);
        button->setAccessibleDescription(device);
    }
}

void TIniOptionsForm::handOverPort(const QString &name) {
    serial::TBComPort &port = m_host.comPort();
    port.SetPort(name);
    port.SetBaudRate(serial::TBaudRate(polling::SpeedToBaudRate(Settings.Speed)));
}

void TIniOptionsForm::FormCreate() {
    ui::guarded(
        [&] {
            L2procRadioGroup->setItemIndex(Settings.L2ProcOn ? 0 : 1);
            COMSpeedRadioGroup->setItemIndex(speedItemIndex(Settings.Speed));

            const QStringList ports = m_host.listSerialPorts();
            fillPortList(ports);
            ComNoRadioGroup->setItemIndex(-1);
            // Walk the names in list order; the last one whose number equals
            // the configured port becomes the chosen one.
            int chosen = -1;
            for (int i = 0; i < ports.size(); ++i) {
                if (Settings.ComPortNo > 0 && serial::portNumber(ports[i]) == Settings.ComPortNo)
                    chosen = i;
            }
            ComNoRadioGroup->setItemIndex(chosen);
            // A configured port that is not in the list is still handed over
            // by its name, so that opening it reports the missing port rather
            // than polling whatever port the component held before.
            if (Settings.ComPortNo > 0)
                handOverPort(chosen >= 0 ? ports[chosen]
                                         : QStringLiteral("COM%1").arg(Settings.ComPortNo));
            if (ports.isEmpty()) {
                applyHints();
                ui::showError(noPortsText(), this);
                return;
            }

            PeriodSpinEdit->setValue(int((qint64(Settings.PeriodMs) + 500) / 1000));
            UnitsAmntSpinEdit->setValue(Settings.UnitsAmount);
            SensorSpinEdit->setValue(Settings.ChannalsMaxAmount);
            CurrKeepSpinEdit->setValue(Settings.CurrKeepTime);
            ArcKeepSpinEdit->setValue(Settings.ArcLevel);
            SoundCheckBox->setChecked(Settings.Sound_ON);
            SoundAmountSpinEdit->setValue(Settings.Amount);
            SndFileLabeledEdit->setText(Settings.SoundFile);
            ScanCheckBox->setChecked(Settings.ScanShow);
            m_loaded = true;

            BuildKeepEstimate();
            BuildPeriodEstimate();
            PageControl1->setCurrentIndex(ConfigTab);
        },
        this);
    applyHints();
}

// --- activation, deactivation, closing -----------------------------------

int TIniOptionsForm::ShowModalOptions() {
    return exec();
}

void TIniOptionsForm::showEvent(QShowEvent *event) {
    if (!m_shownOnce) {
        // Centred on the screen the first time; afterwards where the
        // operator left it.
        m_shownOnce = true;
        if (QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::showEvent(event);
}

// Activation: shown, or the focus back from another window of the program,
// a message box of the dialog's own included. The steps run after the
// window system's event is done with: they may show a modal box, which must
// not nest inside the focus change itself.
void TIniOptionsForm::watchActivation() {
    m_activation = new ui::ActivationWatch(this, ui::ActivationWatch::OwnBoxes::Activate);
    connect(m_activation, &ui::ActivationWatch::activated, this, [this] {
        if (m_closing)
            return;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isVisible())
                    FormActivate();
            },
            Qt::QueuedConnection);
    });
    // Another window of the program (a message box, a chooser) in front of
    // the dialog deactivates it; another application does not.
    connect(m_activation, &ui::ActivationWatch::deactivated, this, [this](QWindow *front) {
        if (m_closing)
            return;
        watchFrontWindow(front);
        // The error box of a failed activation step is no new deactivation,
        // and its going away no new activation: the same step would fail
        // again, and its box would come back for ever.
        if (m_inActivation) {
            m_activation->forgetAbsence();
            return;
        }
        // A dialog closed meanwhile has been deactivated by its closing.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isVisible())
                    FormDeactivate();
            },
            Qt::QueuedConnection);
    });
}

void TIniOptionsForm::watchFrontWindow(QWindow *front) {
    // Without a window manager nobody gives the focus back when a box in
    // front of the dialog goes away: the dialog would stay inactive until the
    // operator clicks into it, and the activation (which moves the Units.DB
    // cursor to CurUnit) would then come between that click and what the
    // operator does with it. The dialog takes the focus back itself as soon
    // as the window in front is gone.
    disconnect(m_frontHidden);
    disconnect(m_frontDestroyed);
    const auto gone = [this] {
        QMetaObject::invokeMethod(this, &TIniOptionsForm::takeFocusBack, Qt::QueuedConnection);
    };
    m_frontHidden = connect(front, &QWindow::visibleChanged, this, [gone](bool visible) {
        if (!visible)
            gone();
    });
    m_frontDestroyed = connect(front, &QObject::destroyed, this, gone);
}

void TIniOptionsForm::takeFocusBack() {
    if (m_closing || m_activation->isActive() || !isVisible())
        return;
    // Another window of the program still in front keeps the focus.
    const QWindow *focus = QGuiApplication::focusWindow();
    if (focus && focus->isVisible() && focus != windowHandle())
        return;
    const QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal != this)
        return;
    activateWindow();
}

void TIniOptionsForm::FormActivate() {
    m_inActivation = true;
    const struct Done {
        bool &flag;
        ~Done() { flag = false; }
    } done{m_inActivation};
    ui::guarded(
        [&] {
            L2procRadioGroup->setItemIndex(Settings.L2ProcOn ? 0 : 1);
            SoundCheckBox->setChecked(Settings.Sound_ON);
            store::Table &units = m_host.unitsTable();
            if (units.isOpen()) {
                units.first();
                const qint64 limit = std::min<qint64>(units.recordCount(), Settings.UnitsAmount);
                if (Settings.CurUnit >= 1 && Settings.CurUnit <= limit)
                    units.moveBy(Settings.CurUnit - 1);
                else
                    Settings.CurUnit = 1;
            }
        },
        this);
    applyHints();
}

void TIniOptionsForm::FormDeactivate() {
    ui::guarded(
        [&] {
            if (!portChosen()) {
                ui::showError(noPortChosenText(), isVisible() ? this : parentWidget());
                PageControl1->setCurrentIndex(ConnectionTab);
            } else {
                Settings.ComPortNo = chosenPortNumber();
            }
        },
        this);
}

int TIniOptionsForm::chosenPortNumber() const {
    const QString name = chosenPortName();
    if (name.isEmpty())
        return 0;
    return std::max(0, serial::portNumber(name));
}

int TIniOptionsForm::periodSeconds() const {
    // The number in the field, 10 when it is none, within the field's range:
    // the poll cycle divides by it.
    return std::clamp(PeriodSpinEdit->value(), PeriodSpinEdit->minValue(),
                      PeriodSpinEdit->maxValue());
}

void TIniOptionsForm::FormClose() {
    store::Table &units = m_host.unitsTable();
    ui::guarded(
        [&] {
            postPendingEdit(units);
            postPendingEdit(m_host.sensorTable());
        },
        this);
    ui::guarded(
        [&] {
            const qint64 row = units.isOpen() ? units.recNo() : 1;
            Settings.CurUnit = row > Settings.UnitsAmount || row < 1 ? 1 : int(row);
        },
        this);
    // After an early-ended creation the count and period fields hold design
    // values, not the configuration: they must not overwrite it.
    if (m_loaded) {
        Settings.UnitsAmount = UnitsAmntSpinEdit->value();
        Settings.ChannalsMaxAmount = SensorSpinEdit->value();
    }
    Settings.ComPortNo = chosenPortNumber();
    takeChosenSpeed();
    if (m_loaded)
        Settings.PeriodMs = periodSeconds() * 1000;
    // The chosen port and speed reach the serial component even when the
    // dialog is closed without leaving their groups (Esc, close box), so the
    // status bar and START use what the settings say.
    if (portChosen())
        ui::guarded([&] { handOverPort(chosenPortName()); }, this);
}

void TIniOptionsForm::done(int result) {
    if (m_closing) {
        QDialog::done(result);
        return;
    }
    m_closing = true;
    const bool wasActive = m_activation->isActive();
    FormClose();
    QDialog::done(result);
    // Closing deactivates the dialog too: the missing-port error still
    // comes, and the dialog still closes.
    if (wasActive)
        FormDeactivate();
    m_closing = false;
}

void TIniOptionsForm::CloseBitBtnClick() {
    accept();
}

// --- handlers of single controls ------------------------------------------

void TIniOptionsForm::UnitsAmntSpinEditExit() {
    if (m_register.changeUnitCount(UnitsAmntSpinEdit->value(), m_host.builtUnits()))
        PageControl1->setCurrentIndex(UnitsTab);
}

void TIniOptionsForm::ScanCheckBoxClick() {
    Settings.ScanShow = ScanCheckBox->isChecked();
}

void TIniOptionsForm::L2procRadioGroupExit() {
    Settings.L2ProcOn = L2procRadioGroup->itemIndex() == 0;
    m_host.setL2ProcCheckBox(Settings.L2ProcOn);
}

void TIniOptionsForm::IniUnitCodDBEditExit() {
    m_register.reloadAddresses();
}

void TIniOptionsForm::DBNavigatorClick(DbNavigator::Button button) {
    ui::guarded([&] { m_register.limitNavigation(navigatorButton(button)); }, this);
}

void TIniOptionsForm::CurrKeepSpinEditChange() {
    BuildKeepEstimate();
}

LeaveVerdict TIniOptionsForm::ruleFieldLeft(SpinEdit *field,
                                            LeaveRuleResult (*rule)(const QString &),
                                            const QString &refusal, int resetValue,
                                            int32_t &setting) {
    const QString text = field->text();
    const LeaveRuleResult result = rule(text);
    switch (result.verdict) {
    case LeaveVerdict::Accepted:
        setting = result.value;
        break;
    case LeaveVerdict::Refused:
        field->setText(QString::number(resetValue));
        ui::showError(refusal, this);
        field->setFocus(Qt::OtherFocusReason);
        break;
    case LeaveVerdict::NotANumber:
        // The setting keeps its value; the field shows it again so the two
        // agree.
        field->setValue(setting);
        ui::showError(notANumberText(text), this);
        break;
    }
    return result.verdict;
}

void TIniOptionsForm::CurrKeepSpinEditExit() {
    if (ruleFieldLeft(CurrKeepSpinEdit, keepTimeRule, keepTimeRefusal(), kKeepTimeResetValue,
                      Settings.CurrKeepTime) == LeaveVerdict::Accepted)
        m_host.setCurrentDataCaption(currentDataCaption(CurrKeepSpinEdit->text()));
}

void TIniOptionsForm::StorageTabSheetEnter() {
    BuildKeepEstimate();
}

void TIniOptionsForm::ArcKeepSpinEditExit() {
    ruleFieldLeft(ArcKeepSpinEdit, archiveLevelRule, archiveLevelRefusal(), kArchiveLevelResetValue,
                  Settings.ArcLevel);
}

void TIniOptionsForm::ComNoRadioGroupExit() {
    if (!portChosen())
        return;
    Settings.ComPortNo = chosenPortNumber();
    m_host.comPort().SetPort(chosenPortName());
}

void TIniOptionsForm::takeChosenSpeed() {
    // A speed text none of the items holds is shown as item 0; storing that
    // item would change the line speed behind the operator's back, so the
    // text stays as configured until the operator chooses an item.
    if (m_speedChosen || matchingSpeedItem(Settings.Speed))
        Settings.Speed = COMSpeedRadioGroup->chosenText();
}

void TIniOptionsForm::COMSpeedRadioGroupExit() {
    takeChosenSpeed();
    m_host.comPort().SetBaudRate(serial::TBaudRate(polling::SpeedToBaudRate(Settings.Speed)));
}

void TIniOptionsForm::PeriodSpinEditChange() {
    Settings.PeriodMs = periodSeconds() * 1000;
    BuildPeriodEstimate();
}

void TIniOptionsForm::ConnectionTabSheetEnter() {
    // After an early-ended creation the field holds its design value, which
    // must not replace the configured period just because the tab was seen.
    if (m_loaded)
        PeriodSpinEditChange();
}

void TIniOptionsForm::SoundCheckBoxExit() {
    Settings.Sound_ON = SoundCheckBox->isChecked();
    m_host.setSoundCheckBox(Settings.Sound_ON);
}

void TIniOptionsForm::SoundAmountSpinEditChange() {
    Settings.Amount = std::clamp(SoundAmountSpinEdit->value(), SoundAmountSpinEdit->minValue(),
                                 SoundAmountSpinEdit->maxValue());
}

// --- estimates --------------------------------------------------------------

void TIniOptionsForm::setEstimate(QGroupBox *group, const QString &hint) {
    setHint(group, hint, true);
    group->setToolTip(hint);
    group->setProperty(kOwnHintSwitchProperty, true);
}

namespace {

// The number a field's text holds for an estimate; reported (and nothing
// built) when it is none.
std::optional<int> estimateNumber(const SpinEdit *field, QWidget *owner) {
    const std::optional<int> v = fieldNumber(field->text());
    if (!v)
        ui::showError(notANumberText(field->text()), owner);
    return v;
}

} // namespace

void TIniOptionsForm::BuildKeepEstimate() {
    const std::optional<int> keep = estimateNumber(CurrKeepSpinEdit, this);
    const std::optional<int> period = keep ? estimateNumber(PeriodSpinEdit, this) : std::nullopt;
    if (!keep || !period)
        return;
    const std::optional<qint64> rows = currentTableRows(Settings.UnitsAmount, *keep, *period);
    if (!rows) {
        ui::showError(zeroPeriodText(), this);
        return;
    }
    setEstimate(CurrKeepGroupBox,
                keepGroupHint(PeriodSpinEdit->text(), Settings.UnitsAmount, *rows));
}

void TIniOptionsForm::BuildPeriodEstimate() {
    const std::optional<int> keep = estimateNumber(CurrKeepSpinEdit, this);
    const std::optional<int> period = keep ? estimateNumber(PeriodSpinEdit, this) : std::nullopt;
    if (!keep || !period)
        return;
    const std::optional<qint64> rows = currentTableRows(Settings.UnitsAmount, *keep, *period);
    if (!rows) {
        ui::showError(zeroPeriodText(), this);
        return;
    }
    setEstimate(PeriodGroupBox,
                periodGroupHint(CurrKeepSpinEdit->text(), Settings.UnitsAmount, *rows));
}

// --- sound -------------------------------------------------------------------

void TIniOptionsForm::takeSoundFile(const QString &fileName) {
    if (!fitsSettingsCodePage(fileName)) {
        ui::showError(QStringLiteral("Имя файла содержит знаки, которые нельзя сохранить в "
                                     "файле настроек:\r") +
                          fileName,
                      this);
        return;
    }
    SndFileLabeledEdit->setText(fileName);
    Settings.SoundFile = SndFileLabeledEdit->text();
}

void TIniOptionsForm::SelectSoundButtonClick() {
    const QStringList files = m_chooseSoundFile(this);
    if (!files.isEmpty())
        takeSoundFile(QFileInfo(files.first()).absoluteFilePath());
}

void TIniOptionsForm::SndFileLabeledEditDblClick() {
    SelectSoundButtonClick();
}

void TIniOptionsForm::PlayOnceMenuItemClick() {
    ui::shellOpen(SndFileLabeledEdit->text());
}

void TIniOptionsForm::PlaySoundButtonClick() {
    ui::shellOpenRepeated(SndFileLabeledEdit->text(), Settings.Amount);
}

} // namespace orvex::config
