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

}  // namespace

frmUPandDOWN::frmUPandDOWN(dxcmd::CommandLayer& commands, IConsoleValues& console, QWidget* owner)
    : QDialog(owner), commands_(commands), console_(console) {
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

int frmUPandDOWN::value() const { return prbLoading_->value(); }

void frmUPandDOWN::setValue(int value) {
    prbLoading_->setValue(std::clamp(value, prbLoading_->minimum(), prbLoading_->maximum()));
}

bool frmUPandDOWN::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) active_ = true;
    return QDialog::event(e);
}

void frmUPandDOWN::run() {
    show();
    raise();
    activateWindow();
    if (!active_) {
        QEventLoop wait;
        QTimer bound;
        bound.setSingleShot(true);
        connect(&bound, &QTimer::timeout, &wait, &QEventLoop::quit);
        auto* poll = new QTimer(&wait);
        connect(poll, &QTimer::timeout, &wait, [this, &wait] {
            if (active_ || !isVisible()) wait.quit();
        });
        poll->start(5);
        bound.start(kActivationWaitMs);
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
    runJob();
    hide();
}

void frmUPandDOWN::runJob() {
    auto& st = commands_.state();
    st.TransferCancelled = false;
    prbLoading_->setMaximum(kProgressMax);
    const JobInfo* job = FindJob(st.TransferJob);
    if (!job) return;
    setWindowTitle(QString::fromLatin1(job->caption.data(), qsizetype(job->caption.size())));
    lblStatus_->setText(QString::fromLatin1(job->status.data(), qsizetype(job->status.size())));
    JobEnv env{commands_, console_, *this};
    running_ = true;
    try {
        job->run(env);
    } catch (const std::exception&) {
        // a job never ends the program
        commands_.dialogs().message("Unknown error.", "Error", dxcmd::Icon::Critical, dxcmd::Buttons::Ok,
                                    dxcmd::Answer::Ok);
    }
    running_ = false;
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
