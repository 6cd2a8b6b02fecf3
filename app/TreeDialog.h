// The folder chooser (TTreeDlgForm): a tree of the folders of the file
// system, starting at the process's current folder, with OK and Cancel.
// After OK, the folder selected in the tree is the answer.
#pragma once

#include <QDialog>

class QFileSystemModel;
class QPushButton;
class QTreeView;

namespace orvex::app {

class TTreeDlgForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 309;
    static constexpr int kClientHeight = 210;

    explicit TTreeDlgForm(QWidget *parent = nullptr);

    // The folder selected in the tree (absolute path), empty when none.
    QString selectedFolder() const;
    void selectFolder(const QString &path);

    QTreeView *DirectoryTree = nullptr;
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QFileSystemModel *m_model = nullptr;
};

} // namespace orvex::app
