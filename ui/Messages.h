// The one message module: every error, warning and information box of the
// program goes through here. A box has one OK button; a carriage return in
// the text starts a new line.
//
// Tests install a MessageRecorder: while it lives, boxes are recorded instead
// of shown, so nothing blocks. A recorder can also run a hook at the moment a
// box would appear, which lets a test reproduce what a real modal box does to
// the window under it (it takes the focus away and gives it back).
#pragma once

#include <QList>
#include <QString>
#include <functional>

class QWidget;

namespace orvex::ui {

enum class MessageKind { Error, Warning, Information };

struct RecordedMessage {
    MessageKind kind;
    QString text;
};

void showError(const QString &text, QWidget *parent = nullptr);
void showWarning(const QString &text, QWidget *parent = nullptr);
void showInformation(const QString &text, QWidget *parent = nullptr);
void showMessage(MessageKind kind, const QString &text, QWidget *parent = nullptr);

// True while a message box is open (or, under a recorder, while its hook runs).
// Timer-driven code uses it to avoid stacking boxes.
bool messageBoxOpen();

// The window the innermost open box stands over (its parent's window, or the
// window that was active when it was shown); null when no box is open.
QWidget *openBoxOwner();

// Records boxes instead of showing them, from construction to destruction.
// Recorders nest; the innermost one receives the messages.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    const QList<RecordedMessage> &messages() const { return m_messages; }
    QStringList texts() const;
    int count() const { return int(m_messages.size()); }
    void clear() { m_messages.clear(); }

    // Runs when a box would be shown, after it has been recorded.
    void setOnShow(std::function<void(const RecordedMessage &)> hook) {
        m_onShow = std::move(hook);
    }

private:
    friend void showMessage(MessageKind, const QString &, QWidget *);
    QList<RecordedMessage> m_messages;
    std::function<void(const RecordedMessage &)> m_onShow;
    MessageRecorder *m_outer = nullptr;
};

// Converts a text of the system to what a label or box shows: each carriage
// return, alone or followed by a line feed, becomes one line break.
QString displayText(const QString &text);

} // namespace orvex::ui
