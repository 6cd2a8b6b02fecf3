// The application-wide hint hook (AppShowHint). Every hint of the program is
// shown through it: the hint is built from the control's current hint text
// each time, wrapped at 400 pixels, with carriage returns as line breaks, and
// while the pointer rests on the control it is rebuilt and shown again at
// every reshow interval (a tenth of a second), so a cell's hint follows each
// decode and never times out by itself.
// A control shows no hint when its effective hint switch is off.
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

class QWidget;

namespace orvex::mainwindow {

class THintHook : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxHintWidth = 400;
    static constexpr int kReshowMs = 100;

    explicit THintHook(QObject *parent = nullptr);
    ~THintHook() override;

    // Installs the hook on the application (AppShowHint becomes the hint hook).
    void install();

    // The widget whose hint is shown, and the rich text last shown for it.
    QWidget *hintWidget() const { return m_widget; }
    const QString &shownText() const { return m_shown; }
    bool reshowing() const { return m_reshow.isActive(); }

    // Where the pointer is; tests replace the real pointer.
    void setPointerWidget(std::function<QWidget *()> locate) { m_locate = std::move(locate); }

    // Shows the hint of `widget` now (what a tooltip request does).
    bool showHintFor(QWidget *widget, const QPoint &globalPos);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void reshow();
    void stop();

    QPointer<QWidget> m_widget;
    QPoint m_pos;
    QString m_shown;
    QTimer m_reshow;
    std::function<QWidget *()> m_locate;
};

} // namespace orvex::mainwindow
