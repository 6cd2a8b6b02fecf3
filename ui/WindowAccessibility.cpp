// The accessible face of the program's top-level windows.
#include "ui/WindowAccessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QDialog>
#include <QWidget>

namespace orvex::ui {

namespace {

bool isOwnClass(const QMetaObject *meta) {
    return QByteArray(meta->className()).startsWith("orvex::");
}

// A top-level window of a class of the program's own whose nearest class of
// Qt is QWidget: Qt would expose it as a client area. Dialogs and windows of
// Qt's own classes keep their interfaces.
QAccessibleInterface *windowFactory(const QString &className, QObject *object) {
    auto *widget = qobject_cast<QWidget *>(object);
    const QMetaObject *meta = object ? object->metaObject() : nullptr;
    if (!widget || !widget->isWindow() || !isOwnClass(meta) ||
        className != QLatin1String(meta->className()))
        return nullptr;
    while (meta && isOwnClass(meta))
        meta = meta->superClass();
    if (!meta || qstrcmp(meta->className(), "QWidget") != 0)
        return nullptr;
    // The name of a window is its title (QAccessibleWidget reads it for
    // windows without an accessible name of their own).
    return new QAccessibleWidget(widget, QAccessible::Window);
}

} // namespace

void installWindowAccessibility() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(windowFactory);
}

} // namespace orvex::ui
