// The main window's place and size in the settings file are the whole
// window's, frame and title bar included: offscreen (whose windows have a
// thin frame) and under a real window manager (openbox on a virtual X
// display) with its title bar, each read from a file and written back.
#include "MainFormFixture.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

using namespace orvex;
using orvex::test::MainFormTest;
using orvex::test::RecordedWindows;

namespace {

// A first-run window (no port): it keeps the file's place and width, and
// takes the height of 200 itself.
void writeFirstRunPlace() {
    RecordedWindows w;
    w.top = 30;
    w.left = 40;
    w.width = 900;
    w.height = 700;
    config::TSettings s;
    config::IniFileSave(s, w);
}

RecordedWindows savedPlace() {
    RecordedWindows w;
    config::TSettings s;
    config::IniFileLoad(s, w);
    return w;
}

} // namespace

TEST_F(MainFormTest, TheFilesPlaceAndSizeAreTheWholeWindowsFrameIncluded) {
    writeFirstRunPlace();
    mainwindow::TMainForm &f = create();
    f.show();
    const QRect expected(40, 30, 900, 200);
    for (int i = 0; i < 100 && f.frameGeometry() != expected; ++i)
        QTest::qWait(20);
    EXPECT_EQ(f.frameGeometry(), expected)
        << f.frameGeometry().x() << "," << f.frameGeometry().y() << " " << f.frameGeometry().width()
        << "x" << f.frameGeometry().height();
    EXPECT_LT(f.width(), 900); // the frame takes its share
    f.close();
    const RecordedWindows saved = savedPlace();
    EXPECT_EQ(saved.top, 30);
    EXPECT_EQ(saved.left, 40);
    EXPECT_EQ(saved.width, 900);
    EXPECT_EQ(saved.height, 200);
}

namespace {

// A virtual X display with openbox on it, for the lifetime of the object.
class WindowManagerDisplay {
public:
    WindowManagerDisplay() {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        const QString xprop = QStandardPaths::findExecutable(QStringLiteral("xprop"));
        if (xvfb.isEmpty() || openbox.isEmpty() || xprop.isEmpty()) {
            m_missing = QStringLiteral("Xvfb, openbox and xprop are needed");
            return;
        }
        // The server picks a free display and names it on its output.
        m_server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                              QStringLiteral("-screen"), QStringLiteral("0"),
                              QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                              QStringLiteral("tcp")});
        QByteArray out;
        while (!out.contains('\n') && m_server.waitForReadyRead(10000))
            out += m_server.readAllStandardOutput();
        if (!out.contains('\n'))
            return;
        m_display = QStringLiteral(":") + QString::fromLatin1(out).trimmed();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        m_manager.setProcessEnvironment(env);
        m_manager.start(openbox, {});
        // Ready once it has announced itself on the root window.
        for (int i = 0; i < 200; ++i) {
            QProcess check;
            check.setProcessEnvironment(env);
            check.start(xprop,
                        {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
            check.waitForFinished(5000);
            if (check.readAllStandardOutput().contains("window id")) {
                m_ready = true;
                return;
            }
            QTest::qWait(50);
        }
    }
    ~WindowManagerDisplay() {
        for (QProcess *p : {&m_manager, &m_server}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(5000)) {
                    p->kill();
                    p->waitForFinished(5000);
                }
            }
        }
    }
    bool ready() const { return m_ready; }
    QString missing() const { return m_missing; }
    QString display() const { return m_display; }

private:
    QProcess m_server;
    QProcess m_manager;
    QString m_display;
    QString m_missing;
    bool m_ready = false;
};

} // namespace

TEST_F(MainFormTest, UnderAWindowManagerTheFilesPlaceAndSizeIncludeTheTitleBar) {
    WindowManagerDisplay x;
    if (!x.missing().isEmpty())
        GTEST_SKIP() << x.missing().toStdString();
    ASSERT_TRUE(x.ready());
    writeFirstRunPlace();
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), x.display());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(ORVEX_PLACE_PROBE), {folder.path()});
    ASSERT_TRUE(probe.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(probe.readAllStandardOutput());
    const auto frame =
        QRegularExpression(QStringLiteral("frame (-?\\d+) (-?\\d+) (\\d+) (\\d+)")).match(out);
    const auto client = QRegularExpression(QStringLiteral("client (\\d+) (\\d+)")).match(out);
    ASSERT_TRUE(frame.hasMatch() && client.hasMatch())
        << out.toStdString() << probe.readAllStandardError().toStdString();
    EXPECT_EQ(QRect(frame.captured(1).toInt(), frame.captured(2).toInt(), frame.captured(3).toInt(),
                    frame.captured(4).toInt()),
              QRect(40, 30, 900, 200))
        << out.toStdString();
    // openbox's title bar is well above a few pixels of border.
    EXPECT_LE(client.captured(2).toInt(), 200 - 15) << out.toStdString();
    const RecordedWindows saved = savedPlace();
    EXPECT_EQ(saved.top, 30);
    EXPECT_EQ(saved.left, 40);
    EXPECT_EQ(saved.width, 900);
    EXPECT_EQ(saved.height, 200);
}
