// The about box: title, version, notices, and the system information tool.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>

#include "dxcmd/Ui.h"

namespace dxshell {

// Finds and starts the desktop's system information program; false when
// there is none or it would not start.
using SystemInfoStarter = std::function<bool()>;

// Looks up each candidate on PATH and starts the first found, with an
// argument list and never through a shell.
bool StartSystemInfo(const QStringList& candidates);
const QStringList& SystemInfoPrograms();

class frmAbout : public QDialog {
    Q_OBJECT
public:
    // currentFile: where the console keeps its current settings, shown so
    // that an installed program's user can find it.
    frmAbout(dxcmd::IDialogs& dialogs, QWidget* owner, SystemInfoStarter start = {}, const QString& currentFile = {});

    void cmdSysInfo_Click();

private:
    dxcmd::IDialogs& dialogs_;
    SystemInfoStarter start_;
};

}  // namespace dxshell
