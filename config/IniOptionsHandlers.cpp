// The options dialog: the wiring and the handlers of its controls, the
// estimates of the table sizes and the sound file. Creation, activation and
// closing are in IniOptionsLifecycle.cpp.
#include "config/IniOptions.h"

#include "polling/Protocol.h"
#include "serial/BCPort.h"
#include "serial/PortMap.h"
#include "ui/ErrorHandler.h"
#include "ui/ShellOpen.h"

#include <QFileInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>
#include <QValidator>

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

// --- handlers of single controls ------------------------------------------

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
