// The one register of the program's hints and their switches.
//
// Every control's hint is shown only while its hint switch is on. A window or
// a control may carry a switch of its own (the main window's "hints on the
// window", each grid panel's "hints on the grid", the controls that always
// show their hints); a control without one follows the nearest parent that
// has one, and hints are on when nobody says otherwise. The hint hook asks
// hintSwitch() before it shows a hint.
//
// A window whose hints follow another window's switch keeps its controls'
// hint texts in a HintRegistry and applies the switch to them: a control
// whose switch is off then has no hint text at all.
#pragma once

#include <QHash>
#include <QString>

class QWidget;

namespace orvex::ui {

// Name of the widget property that holds a widget's own hint switch.
inline constexpr const char *kOwnHintSwitchProperty = "orvexShowHint";

// The effective hint switch of `widget`.
bool hintSwitch(const QWidget *widget);
// Gives `widget` a hint switch of its own.
void setOwnHintSwitch(QWidget *widget, bool on);

class HintRegistry {
public:
    // Registers (or replaces) the hint of `control`; `always` hints ignore
    // the switch.
    void set(QWidget *control, const QString &text, bool always = false);
    // The registered text, whether shown or not.
    QString text(const QWidget *control) const {
        return m_hints.value(const_cast<QWidget *>(control)).text;
    }
    // The text shown with the switch `on` (empty when the control has none).
    QString shown(const QWidget *control, bool on) const;
    // Each control takes the text shown with the switch `on` as its hint;
    // controls that always show theirs get their own switch, on.
    void apply(bool on) const;

    struct Hint {
        QString text;
        bool always = false;
    };
    const QHash<QWidget *, Hint> &hints() const { return m_hints; }

private:
    QHash<QWidget *, Hint> m_hints;
};

} // namespace orvex::ui
