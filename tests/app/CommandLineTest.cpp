// The programs' one-line answers to --version and --help: printed without a
// window, so they work where no display is (package scripts, a remote shell).
// The children run with the display variables removed and the X11 platform
// forced, so anything that made a window would fail instead of answering.
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace {

struct Answer {
    int exitCode = -1;
    QString out;
    QString err;
};

Answer run(const QString &program, const QString &argument) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(program, {argument});
    Answer a;
    if (!child.waitForFinished(20000)) {
        child.kill();
        child.waitForFinished();
        return a;
    }
    if (child.exitStatus() == QProcess::NormalExit)
        a.exitCode = child.exitCode();
    a.out = QString::fromUtf8(child.readAllStandardOutput());
    a.err = QString::fromUtf8(child.readAllStandardError());
    return a;
}

void expectOneLine(const Answer &a, const QString &start) {
    EXPECT_EQ(a.exitCode, 0) << a.err.toStdString();
    EXPECT_TRUE(a.err.isEmpty()) << a.err.toStdString();
    ASSERT_TRUE(a.out.endsWith(QLatin1Char('\n'))) << a.out.toStdString();
    EXPECT_EQ(a.out.count(QLatin1Char('\n')), 1) << a.out.toStdString();
    EXPECT_TRUE(a.out.startsWith(start)) << a.out.toStdString();
}

const QString kVersion = QStringLiteral(ORVEX_VERSION);

} // namespace

TEST(CommandLineTest, EveryProgramPrintsItsVersionOnOneLineWithoutADisplay) {
    expectOneLine(run(QStringLiteral(ORVEX_MAIN_PATH), QStringLiteral("--version")),
                  QStringLiteral("orvex01m ") + kVersion);
    expectOneLine(run(QStringLiteral(ORVEX_UNITSIM_PATH), QStringLiteral("--version")),
                  QStringLiteral("unitsim ") + kVersion);
    expectOneLine(run(QStringLiteral(ORVEX_ORVEXDB_PATH), QStringLiteral("--version")),
                  QStringLiteral("orvexdb ") + kVersion);
}

TEST(CommandLineTest, TheProgramPrintsItsUsageOnOneLineWithoutADisplay) {
    expectOneLine(run(QStringLiteral(ORVEX_MAIN_PATH), QStringLiteral("--help")),
                  QStringLiteral("Usage: orvex01m"));
}
