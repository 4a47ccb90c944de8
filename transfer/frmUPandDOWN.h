// The transfer window: runs the job named by TransferJob with a status line,
// a progress bar and Cancel, modal over the main window.
#pragma once

#include <QDialog>
#include <QElapsedTimer>

#include "dxcmd/Exec.h"
#include "dxtransfer/Jobs.h"

class QEventLoop;
class QLabel;
class QProgressBar;
class QPushButton;

namespace dxtransfer {

class frmUPandDOWN : public QDialog, public IProgress {
    Q_OBJECT
public:
    // handlers and settingFile: for Save Changes.
    frmUPandDOWN(dxcmd::CommandLayer& commands, IConsoleValues& console, QWidget* owner,
                 dxparams::IConsoleHandlers* handlers = nullptr, std::string settingFile = {});

    // Shows the window, runs the job once the window is active and closes
    // it; returns only after the job has returned. A name that is no job
    // counts as finished.
    JobEnd run();

    int value() const override;
    void setValue(int value) override;

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    void cmdCancel_Click();
    JobEnd runJob();
    JobEnd run(const JobInfo& job);
    void showValue();

    dxcmd::CommandLayer& commands_;
    IConsoleValues& console_;
    dxparams::IConsoleHandlers* handlers_;
    std::string settingFile_;
    QLabel* lblStatus_;
    QProgressBar* prbLoading_;
    QPushButton* cmdCancel_;
    bool active_ = false;
    bool running_ = false;
    bool asking_ = false;
    QEventLoop* activationWait_ = nullptr;
    int value_ = 0;  // the job's progress; the bar may show it a little later
    QElapsedTimer shown_;
    bool showPending_ = false;
};

}  // namespace dxtransfer
