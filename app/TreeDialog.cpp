// The folder chooser.
#include "app/TreeDialog.h"

#include "mainwindow/Texts.h"

#include <QDir>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>

namespace orvex::app {

TTreeDlgForm::TTreeDlgForm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("TreeDlgForm"));
    setWindowTitle(mainwindow::texts::kTreeCaption);
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);

    // The model watches folders for changes only while the dialog is shown
    // (those it reads then); hiding it ends every watch. The dialog lives as
    // long as the program, and watching the root and the current folder for
    // months would make the model read again every change other programs
    // make there.
    m_model = new QFileSystemModel(this);
    m_model->setOption(QFileSystemModel::DontWatchForChanges, true);
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setRootPath(QDir::rootPath());

    DirectoryTree = new QTreeView(this);
    DirectoryTree->setObjectName(QStringLiteral("DirectoryTree"));
    DirectoryTree->setModel(m_model);
    DirectoryTree->setGeometry(0, 0, kClientWidth, 169);
    DirectoryTree->setHeaderHidden(true);
    for (int column = 1; column < m_model->columnCount(); ++column)
        DirectoryTree->hideColumn(column);
    DirectoryTree->setSelectionMode(QAbstractItemView::SingleSelection);
    DirectoryTree->setAccessibleName(mainwindow::texts::kTreeCaption);
    selectFolder(QDir::currentPath());

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setGeometry(79, 180, 75, 25);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setGeometry(159, 180, 75, 25);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

QString TTreeDlgForm::selectedFolder() const {
    const QModelIndex index = DirectoryTree->currentIndex();
    return index.isValid() ? m_model->filePath(index) : QString();
}

void TTreeDlgForm::selectFolder(const QString &path) {
    const QModelIndex index = m_model->index(QDir(path).absolutePath());
    if (!index.isValid())
        return;
    DirectoryTree->setCurrentIndex(index);
    DirectoryTree->scrollTo(index);
}

void TTreeDlgForm::showEvent(QShowEvent *event) {
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_model->setOption(QFileSystemModel::DontWatchForChanges, false);
    QDialog::showEvent(event);
}

void TTreeDlgForm::hideEvent(QHideEvent *event) {
    m_model->setOption(QFileSystemModel::DontWatchForChanges, true);
    QDialog::hideEvent(event);
}

} // namespace orvex::app
