// Message boxes, or their recording under test.
#include "ui/Messages.h"

#include "ui/ErrorHandler.h"
#include "ui/UnhandledError.h"

#include <QAbstractButton>
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>

namespace orvex::ui {
namespace {

MessageRecorder *g_recorder = nullptr;
// The windows the open boxes stand over, innermost last.
QList<QPointer<QWidget>> g_openBoxOwners;

struct OpenBoxGuard {
    explicit OpenBoxGuard(QWidget *owner) { g_openBoxOwners.append(owner); }
    ~OpenBoxGuard() { g_openBoxOwners.removeLast(); }
    OpenBoxGuard(const OpenBoxGuard &) = delete;
    OpenBoxGuard &operator=(const OpenBoxGuard &) = delete;
};

QString captionFor(MessageKind kind) {
    switch (kind) {
    case MessageKind::Error:
        return QStringLiteral("Ошибка");
    case MessageKind::Warning:
        return QStringLiteral("Предупреждение");
    case MessageKind::Information:
        return QStringLiteral("Информация");
    }
    return {};
}

// The OK button of every box shows one icon, made for the first box and kept
// by the application. The style makes a new icon for each box, and the
// picture of each one stays in the application's pixmap cache after its box
// has gone: about 2 KiB a box, up to the cache's size of 10 MiB, which a
// station showing a box at every failed poll for days would fill.
void shareOkIcon(QMessageBox &box) {
    QAbstractButton *ok = box.button(QMessageBox::Ok);
    if (!ok || ok->icon().isNull())
        return;
    static const char *const kProperty = "orvexBoxOkIcon";
    const QVariant kept = qApp->property(kProperty);
    if (kept.isValid())
        ok->setIcon(kept.value<QIcon>());
    else
        qApp->setProperty(kProperty, QVariant::fromValue(ok->icon()));
}

// An exception no caller could take is shown like one escaping from any
// other event handler. Installed when this module is linked, that is in
// every program that shows boxes.
void showUnhandled(const std::exception_ptr &error) {
    guarded([&] { std::rethrow_exception(error); });
}
[[maybe_unused]] const bool g_unhandledShown = (setUnhandledErrorHandler(&showUnhandled), true);

} // namespace

MessageRecorder::MessageRecorder() : m_outer(g_recorder) {
    g_recorder = this;
}

MessageRecorder::~MessageRecorder() {
    g_recorder = m_outer;
}

QStringList MessageRecorder::texts() const {
    QStringList out;
    for (const RecordedMessage &m : m_messages)
        out << m.text;
    return out;
}

QString displayText(const QString &text) {
    static const QRegularExpression breaks(QStringLiteral("\r\n?"));
    QString out = text;
    out.replace(breaks, QStringLiteral("\n"));
    return out;
}

void showMessage(MessageKind kind, const QString &text, QWidget *parent) {
    if (!parent)
        parent = QApplication::activeWindow();
    OpenBoxGuard open(parent ? parent->window() : nullptr);
    if (g_recorder) {
        RecordedMessage message{kind, text};
        g_recorder->m_messages.append(message);
        if (g_recorder->m_onShow)
            g_recorder->m_onShow(message);
        return;
    }
    QMessageBox::Icon icon = kind == MessageKind::Error     ? QMessageBox::Critical
                             : kind == MessageKind::Warning ? QMessageBox::Warning
                                                            : QMessageBox::Information;
    QMessageBox box(icon, captionFor(kind), displayText(text), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    shareOkIcon(box);
    box.exec();
}

void showError(const QString &text, QWidget *parent) {
    showMessage(MessageKind::Error, text, parent);
}

void showWarning(const QString &text, QWidget *parent) {
    showMessage(MessageKind::Warning, text, parent);
}

void showInformation(const QString &text, QWidget *parent) {
    showMessage(MessageKind::Information, text, parent);
}

bool messageBoxOpen() {
    return !g_openBoxOwners.isEmpty();
}

QWidget *openBoxOwner() {
    return g_openBoxOwners.isEmpty() ? nullptr : g_openBoxOwners.last().data();
}

} // namespace orvex::ui
