// Hint switches and the hint register.
#include "ui/Hints.h"

#include <QVariant>
#include <QWidget>

namespace orvex::ui {

bool hintSwitch(const QWidget *widget) {
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        const QVariant own = w->property(kOwnHintSwitchProperty);
        if (own.isValid())
            return own.toBool();
    }
    return true;
}

void setOwnHintSwitch(QWidget *widget, bool on) {
    widget->setProperty(kOwnHintSwitchProperty, on);
}

void HintRegistry::set(QWidget *control, const QString &text, bool always) {
    m_hints.insert(control, Hint{text, always});
}

QString HintRegistry::shown(const QWidget *control, bool on) const {
    const auto it = m_hints.constFind(const_cast<QWidget *>(control));
    if (it == m_hints.constEnd())
        return QString();
    return it->always || on ? it->text : QString();
}

void HintRegistry::apply(bool on) const {
    for (auto it = m_hints.constBegin(); it != m_hints.constEnd(); ++it) {
        it.key()->setToolTip(it->always || on ? it->text : QString());
        if (it->always)
            setOwnHintSwitch(it.key(), true);
    }
}

} // namespace orvex::ui
