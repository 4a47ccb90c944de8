#include "frmLog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "dxcmd/Profile.h"

namespace dxshell {

std::string LogFileText(const QStringList& entries) {
    std::string text;
    for (const QString& e : entries) {
        const QByteArray line = e.toLatin1();
        text.append(line.constData(), size_t(line.size()));
        text += "\r\n";
    }
    return text;
}

frmLog::frmLog(dxcmd::IDialogs& dialogs, QWidget* owner) : QWidget(owner, Qt::Window), dialogs_(dialogs) {
    setObjectName(QStringLiteral("frmLog"));
    setWindowTitle(QStringLiteral("Log"));
    lstLog_ = new QListWidget;
    lstLog_->setObjectName(QStringLiteral("lstLog"));
    lstLog_->setAccessibleName(QStringLiteral("Log"));
    auto* cmdClose = new QPushButton(QStringLiteral("Close"));
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    auto* cmdClear = new QPushButton(QStringLiteral("Clear"));
    cmdClear->setObjectName(QStringLiteral("cmdClear"));
    auto* cmdOut = new QPushButton(QStringLiteral("Output"));
    cmdOut->setObjectName(QStringLiteral("cmdOut"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdClose);
    buttons->addWidget(cmdClear);
    buttons->addWidget(cmdOut);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstLog_, 1);
    layout->addLayout(buttons);
    setTabOrder(cmdClear, cmdClose);
    setTabOrder(cmdClose, lstLog_);
    setTabOrder(lstLog_, cmdOut);
    resize(420, 360);
    connect(cmdClose, &QPushButton::clicked, this, [this] { closeLog(); });
    connect(cmdClear, &QPushButton::clicked, lstLog_, &QListWidget::clear);
    connect(cmdOut, &QPushButton::clicked, this, [this] { cmdOut_Click(); });
}

void frmLog::append(const std::string& entry) {
    lstLog_->addItem(QString::fromStdString(entry));
    lstLog_->scrollToBottom();
}

void frmLog::open() {
    show();
    raise();
    activateWindow();
}

void frmLog::closeLog() {
    // closing unloads the window: the next Log starts empty
    lstLog_->clear();
    hide();
}

void frmLog::closeEvent(QCloseEvent* event) {
    lstLog_->clear();
    QWidget::closeEvent(event);
}

void frmLog::cmdOut_Click() {
    const auto chosen = dialogs_.saveFile("log File(*.txt)|*.txt|ALL Files(*.*)|*.*|", "txt");
    if (!chosen || chosen->empty()) return;
    QStringList entries;
    for (int i = 0; i < lstLog_->count(); ++i) entries << lstLog_->item(i)->text();
    // an existing file is either replaced whole or kept, and a failure is said
    if (!dxcmd::ReplaceFileAtomically(*chosen, LogFileText(entries)))
        dialogs_.message("Output failed: the log file could not be written.", "Error", dxcmd::Icon::Critical,
                         dxcmd::Buttons::Ok, dxcmd::Answer::Ok);
}

}  // namespace dxshell
