#include "frmUPandDOWN.h"

#include <QCloseEvent>
#include <algorithm>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace dxtransfer {

namespace {

// A window manager may never activate the window; the job runs anyway.
constexpr int kActivationWaitMs = 500;
// About twenty repaints a second keep the bar smooth.
constexpr int kProgressShowMs = 50;

}  // namespace

frmUPandDOWN::frmUPandDOWN(dxcmd::CommandLayer& commands, IConsoleValues& console, QWidget* owner,
                           dxparams::IConsoleHandlers* handlers, std::string settingFile)
    : QDialog(owner),
      commands_(commands),
      console_(console),
      handlers_(handlers),
      settingFile_(std::move(settingFile)) {
    setObjectName(QStringLiteral("frmUPandDOWN"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    lblStatus_ = new QLabel(QStringLiteral("Now loading data from camera ..."));
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblStatus_->setTextFormat(Qt::PlainText);
    prbLoading_ = new QProgressBar;
    prbLoading_->setObjectName(QStringLiteral("prbLoading"));
    prbLoading_->setAccessibleName(QStringLiteral("Progress"));
    prbLoading_->setRange(0, kProgressMax);
    prbLoading_->setValue(0);
    prbLoading_->setTextVisible(false);
    cmdCancel_ = new QPushButton(QStringLiteral("Cancel"));
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel_->setAutoDefault(false);
    layout->addWidget(lblStatus_);
    layout->addWidget(prbLoading_);
    layout->addWidget(cmdCancel_, 0, Qt::AlignRight);
    setMinimumWidth(360);
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

int frmUPandDOWN::value() const { return value_; }

// The bar repaints at once whenever it moves; a job moves it after nearly
// every exchange. It shows the value at most every kProgressShowMs (the
// first move at once), and the last one when the job ends.
void frmUPandDOWN::setValue(int value) {
    value_ = std::clamp(value, prbLoading_->minimum(), prbLoading_->maximum());
    if (!shown_.isValid() || shown_.elapsed() >= kProgressShowMs) {
        showValue();
    } else if (!showPending_) {
        showPending_ = true;
        QTimer::singleShot(kProgressShowMs - int(shown_.elapsed()), this, [this] {
            if (showPending_) showValue();
        });
    }
}

void frmUPandDOWN::showValue() {
    showPending_ = false;
    shown_.start();
    prbLoading_->setValue(value_);
}

bool frmUPandDOWN::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) active_ = true;
    // the job starts as soon as the window is up, not at a polling step
    if (activationWait_ && (active_ || e->type() == QEvent::Hide)) activationWait_->quit();
    return QDialog::event(e);
}

JobEnd frmUPandDOWN::run() {
    show();
    raise();
    activateWindow();
    if (!active_ && isVisible()) {
        QEventLoop wait;
        QTimer bound;
        bound.setSingleShot(true);
        connect(&bound, &QTimer::timeout, &wait, &QEventLoop::quit);
        bound.start(kActivationWaitMs);
        activationWait_ = &wait;
        wait.exec(QEventLoop::ExcludeUserInputEvents);
        activationWait_ = nullptr;
    }
    const JobEnd end = runJob();
    hide();
    return end;
}

JobEnd frmUPandDOWN::runJob() {
    auto& st = commands_.state();
    st.TransferCancelled = false;
    prbLoading_->setMaximum(kProgressMax);
    JobEnd end = JobEnd::Finished;
    if (const JobInfo* job = FindJob(st.TransferJob)) end = run(*job);
    // the bar ends on the last value, however soon after the one before it came
    if (showPending_) showValue();
    return end;
}

JobEnd frmUPandDOWN::run(const JobInfo& job) {
    setWindowTitle(QString::fromLatin1(job.caption.data(), qsizetype(job.caption.size())));
    lblStatus_->setText(QString::fromLatin1(job.status.data(), qsizetype(job.status.size())));
    JobEnv env{commands_, console_, *this, handlers_, settingFile_};
    running_ = true;
    const JobEnd end = RunJob(job, env);
    running_ = false;
    return end;
}

void frmUPandDOWN::cmdCancel_Click() {
    if (asking_ || !isVisible()) return;
    asking_ = true;
    const auto answer = commands_.dialogs().message("Are you sure to cancel?", "", dxcmd::Icon::Question,
                                                    dxcmd::Buttons::YesNo, dxcmd::Answer::No);
    asking_ = false;
    if (answer != dxcmd::Answer::Yes) return;
    // the job stops at its next cancel check; the window goes now
    commands_.state().TransferCancelled = true;
    hide();
}

void frmUPandDOWN::closeEvent(QCloseEvent* e) {
    // the window's own close box asks like Cancel
    e->ignore();
    if (running_) cmdCancel_Click();
}

void frmUPandDOWN::reject() {
    if (running_) cmdCancel_Click();
}

}  // namespace dxtransfer
