// The command log of the diagnostic program: every exchange while the window
// is shown, kept until it is closed, and saved as a text file on request.
#pragma once

#include <QWidget>

#include "dxcmd/Ui.h"
#include "frmMain.h"

class QListWidget;
class QPushButton;

namespace dxshell {

class frmLog : public QWidget, public dxconsole::ICommandLog {
    Q_OBJECT
public:
    explicit frmLog(dxcmd::IDialogs& dialogs, QWidget* owner = nullptr);

    bool shown() const override { return isVisible(); }
    void append(const std::string& entry) override;
    void open() override;
    void closeLog() override;

    void cmdOut_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    dxcmd::IDialogs& dialogs_;
    QListWidget* lstLog_;
};

// The entries as a text file: Latin-1, CR LF after each, an empty entry an empty line.
std::string LogFileText(const QStringList& entries);

}  // namespace dxshell
