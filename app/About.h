// The About dialog (TAboutDlg): the program's description, its device family
// and version in a fixed-size modal box with one OK button.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace orvex::app {

class TAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 255;
    static constexpr int kClientHeight = 336;

    explicit TAboutDlg(QWidget *parent = nullptr);

    QLabel *ProgramIcon = nullptr; // the 200 x 89 picture
    QLabel *Comments = nullptr;    // the description
    QLabel *ProductName = nullptr; // the device family
    QLabel *Version = nullptr;
    QPushButton *OKButton = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    // The dialog ends only through OK, Enter or the close box: Esc does not
    // close it.
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace orvex::app
