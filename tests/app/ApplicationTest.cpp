// Start-up of the application: the eight windows in their fixed order with
// their captions, only the main window shown, the later windows using what
// the main window loaded; the About dialog and the folder chooser. The main
// window itself is covered by tests/mainwindow.
#include "app/About.h"
#include "app/Orvex01m.h"
#include "app/TreeDialog.h"
#include "config/IniOptions.h"
#include "config/Settings.h"
#include "mainwindow/MainOrvex01.h"
#include "mainwindow/Texts.h"
#include "store/Installer.h"
#include "store/Location.h"
#include "tests/support/Deadline.h"
#include "tests/support/TestSupport.h"
#include "ui/Messages.h"
#include "views/PlotWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>

using namespace orvex;
using namespace orvex::app;

namespace {

using Windows = config::WindowPlace;

class ApplicationTest : public ::testing::Test {
protected:
    test::TempProgramFolder folder;
    ui::MessageRecorder messages;

    void SetUp() override {
        store::createDatabase(folder.file(QStringLiteral("Database")));
        store::defineAlias(QString::fromLatin1(store::kAliasName), QStringLiteral("Database"));
    }
};

} // namespace

TEST_F(ApplicationTest, EightWindowsAreCreatedOnceInTheFixedOrderAndOnlyTheMainOneIsShown) {
    TApplicationWindows windows;
    EXPECT_EQ(windows.creationOrder(),
              (QStringList{"TMainForm", "TIniOptionsForm", "TPlotForm", "TDataArcForm",
                           "TDataArc2Form", "TDateDlgForm", "TTreeDlgForm", "TAboutDlg"}));
    const QStringList captions = {
        mainwindow::texts::kMainCaption, mainwindow::texts::kOptionsCaption,
        mainwindow::texts::kPlotCaption, mainwindow::texts::kDataCaption,
        mainwindow::texts::kArcCaption,  mainwindow::texts::kDateCaption,
        mainwindow::texts::kTreeCaption, mainwindow::texts::kAboutCaption};
    const QList<QWidget *> all = windows.windows();
    ASSERT_EQ(all.size(), 8);
    // The current-data view adds its keep time to its design caption.
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(all[i]->windowTitle().startsWith(captions[i]))
            << i << " " << all[i]->windowTitle().toStdString();
    EXPECT_EQ(all[0]->windowTitle(), captions[0]);
    windows.MainForm().show();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(all[i]->isVisible(), i == 0) << i;
    // The poll cycle is on the window's button.
    EXPECT_TRUE(windows.MainForm().startStopConnected());
}

TEST_F(ApplicationTest, LaterWindowsUseWhatTheMainWindowLoaded) {
    config::TSettings s;
    s.PlotTop = 300;
    s.PlotLeft = 510;
    Windows w;
    config::IniFileSave(s, w);
    TApplicationWindows windows;
    EXPECT_EQ(windows.PlotForm().pos(), QPoint(510, 300));
    EXPECT_EQ(windows.PlotForm().PlotTable.databaseName(),
              windows.MainForm().station().unitsTable().databaseName());
}

TEST_F(ApplicationTest, ApplicationTitleIsTheNameNotAPartOfCaptions) {
    initialiseApplication(*qApp);
    EXPECT_EQ(QApplication::applicationName(), mainwindow::texts::kApplicationTitle);
    EXPECT_EQ(QApplication::applicationDisplayName(), mainwindow::texts::kApplicationTitle);
    QWidget w;
    w.setWindowTitle(QStringLiteral("x"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("x"));
}

// Assistive technology sees the main window and the other plain windows as
// windows (frames), not as fillers, and each window by its title.
TEST_F(ApplicationTest, EveryWindowIsAWindowOrDialogNamedByItsTitle) {
    initialiseApplication(*qApp);
    TApplicationWindows windows;
    for (QWidget *window : windows.windows()) {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(window);
        ASSERT_TRUE(face) << window->metaObject()->className();
        EXPECT_TRUE(face->role() == QAccessible::Window || face->role() == QAccessible::Dialog)
            << window->metaObject()->className() << " role " << int(face->role());
        EXPECT_EQ(face->text(QAccessible::Name), window->windowTitle())
            << window->metaObject()->className();
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&windows.MainForm())->role(),
              QAccessible::Window);
}

TEST_F(ApplicationTest, StandardDialogsOfQtSpeakRussian) {
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                       QStringLiteral("/qtbase_ru.qm")))
        GTEST_SKIP() << "Qt's Russian translations (qt6-translations-l10n) are not installed";
    initialiseApplication(*qApp);
    QDialogButtonBox buttons(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text().toStdString(), "Отмена");
    EXPECT_EQ(buttons.button(QDialogButtonBox::Open)->text().toStdString(), "Открыть");
    QLineEdit field;
    std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    ASSERT_FALSE(menu->actions().isEmpty());
    EXPECT_FALSE(menu->actions().first()->text().contains(QStringLiteral("Undo")));
}

TEST(AboutDialog, FixedSizeContentsAndOkClosesWithOk) {
    TAboutDlg about;
    EXPECT_EQ(about.size(), QSize(255, 336));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_EQ(about.Version->text(), QStringLiteral("Версия 1.1"));
    EXPECT_EQ(about.ProductName->text(), QStringLiteral("  ОРВЕКС-01м  "));
    EXPECT_EQ(about.OKButton->geometry(), QRect(75, 298, 105, 27));
    EXPECT_TRUE(about.OKButton->isDefault());
    QTimer::singleShot(0, &about, [&about] { QTest::keyClick(&about, Qt::Key_Return); });
    EXPECT_EQ(about.exec(), QDialog::Accepted);
}

// Esc is no way out of the About dialog; the close box is, without OK.
TEST(AboutDialog, EscKeepsItOpenAndTheCloseBoxEndsItWithoutOk) {
    TAboutDlg about;
    bool openAfterEsc = false;
    QTimer::singleShot(0, &about, [&] {
        QTest::keyClick(&about, Qt::Key_Escape);
        QTest::keyClick(about.OKButton, Qt::Key_Escape);
        openAfterEsc = about.isVisible();
        about.close();
    });
    EXPECT_EQ(about.exec(), QDialog::Rejected);
    EXPECT_TRUE(openAfterEsc);
}

namespace {

// Folders the process watches for changes (inotify watches over all its
// descriptors).
int watchedPaths() {
    int watches = 0;
    const QDir fdinfo(QStringLiteral("/proc/self/fdinfo"));
    for (const QString &fd : fdinfo.entryList(QDir::Files)) {
        QFile info(fdinfo.filePath(fd));
        if (!info.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : info.readAll().split('\n'))
            watches += line.startsWith("inotify wd:") ? 1 : 0;
    }
    return watches;
}

} // namespace

// The chooser lives as long as the program: hidden, it must not keep
// watching folders (each change another program makes there would be read
// again for months).
TEST(FolderChooser, WatchesFoldersOnlyWhileShown) {
    test::TempProgramFolder here;
    const QString before = QDir::currentPath();
    QDir::setCurrent(here.path());
    const int start = watchedPaths();
    TTreeDlgForm tree;
    QDir::setCurrent(before);
    QTest::qWait(500); // the model reads its folders on a thread of its own
    EXPECT_EQ(watchedPaths(), start);
    tree.show();
    QTest::qWait(200);
    tree.hide();
    EXPECT_TRUE(test::holdsWithin([&] { return watchedPaths() == start; }, 3000)) << watchedPaths();
}

TEST(FolderChooser, StartsAtTheCurrentFolderAndEscKeepsTheSelection) {
    test::TempProgramFolder here;
    const QString before = QDir::currentPath();
    QDir::setCurrent(here.path());
    TTreeDlgForm tree;
    QDir::setCurrent(before);
    EXPECT_EQ(tree.size(), QSize(309, 210));
    EXPECT_TRUE(tree.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(QDir(tree.selectedFolder()), QDir(here.path()));
    QTimer::singleShot(0, &tree, [&tree] { QTest::keyClick(&tree, Qt::Key_Escape); });
    EXPECT_EQ(tree.exec(), QDialog::Rejected);
    EXPECT_EQ(QDir(tree.selectedFolder()), QDir(here.path()));
    QTimer::singleShot(0, &tree, [&tree] { tree.OKBtn->click(); });
    EXPECT_EQ(tree.exec(), QDialog::Accepted);
}
