// The title boxes' character check, and the position title dialog that edits
// EditedTitle (kept on Cancel).
#pragma once

#include <QDialog>
#include <QObject>
#include <string>

#include "dxcmd/Ui.h"

class QLineEdit;
class QPushButton;

namespace dxconsole {

// Checks a title box when the focus leaves it for another control: the text
// loses its leading and trailing blanks, and a character that is not allowed
// is reported with the focus kept in the box.
class TitleBoxValidator : public QObject {
public:
    TitleBoxValidator(QLineEdit* box, dxcmd::IDialogs& dialogs, QWidget* skipFor = nullptr);

    // false when refused. A button clicked right after the focus change that
    // was refused asks again without repeating the message.
    bool validate();
    bool validateForClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* box_;
    dxcmd::IDialogs& dialogs_;
    QWidget* skipFor_;    // leaving for this control needs no check (Cancel)
    bool busy_ = false;
    bool refused_ = false;  // the text as it stands was refused
};

class frmEditTitle : public QDialog {
    Q_OBJECT
public:
    frmEditTitle(std::string& editedTitle, dxcmd::IDialogs& dialogs, QWidget* owner);

private:
    void cmdOK_Click();

    std::string& editedTitle_;
    QLineEdit* txtPositionTitle_;
    QPushButton* cmdOK_;
    QPushButton* cmdCancel_;
    TitleBoxValidator* validator_;
};

}  // namespace dxconsole
