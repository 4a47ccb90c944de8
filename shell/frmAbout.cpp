#include "frmAbout.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QVBoxLayout>

namespace dxshell {

const QStringList& SystemInfoPrograms() {
    static const QStringList programs = {QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"),
                                         QStringLiteral("kinfocenter"), QStringLiteral("gnome-system-monitor")};
    return programs;
}

bool StartSystemInfo(const QStringList& candidates) {
    for (const QString& name : candidates) {
        const QString path = QStandardPaths::findExecutable(name);
        if (path.isEmpty()) continue;
        return QProcess::startDetached(path, {});
    }
    return false;
}

namespace {

QLabel* label(const QString& name, const QString& text) {
    auto* l = new QLabel(text);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    l->setWordWrap(true);
    return l;
}

QFrame* line() {
    auto* f = new QFrame;
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

}  // namespace

frmAbout::frmAbout(dxcmd::IDialogs& dialogs, QWidget* owner, SystemInfoStarter start, const QString& currentFile)
    : QDialog(owner), dialogs_(dialogs), start_(std::move(start)) {
    if (!start_) start_ = [] { return StartSystemInfo(SystemInfoPrograms()); };
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + QString::fromLatin1(dxcmd::kAppTitle));
    setModal(true);

    auto* picIcon = new QLabel;
    picIcon->setObjectName(QStringLiteral("picIcon"));
    const QIcon icon = QApplication::windowIcon().isNull()
                           ? QApplication::style()->standardIcon(QStyle::SP_ComputerIcon)
                           : QApplication::windowIcon();
    picIcon->setPixmap(icon.pixmap(48, 48));
    auto* title = label(QStringLiteral("lblTitle"), QString::fromLatin1(dxcmd::kAppTitle));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    title->setFont(big);
    auto* version = label(QStringLiteral("lblVersion"), QStringLiteral("Version 1.0.0"));
    auto* description = label(QStringLiteral("lblDescription"),
                              QStringLiteral("Copyright (C) the authors of DX410. All rights reserved."));
    auto* disclaimer = label(QStringLiteral("lblDisclaimer"),
                             QStringLiteral("Warning: this program is protected by copyright law. Copying or "
                                            "distributing it, or any part of it, without permission is not "
                                            "allowed."));
    auto* currentSettings = label(QStringLiteral("lblCurrentFile"),
                                  QStringLiteral("Current settings: ") +
                                      (currentFile.isEmpty() ? QStringLiteral("(none yet)") : currentFile));
    currentSettings->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* cmdOK = new QPushButton(QStringLiteral("OK"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    auto* cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."));
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAccessibleName(QStringLiteral("System Info"));

    auto* head = new QHBoxLayout;
    head->addWidget(picIcon, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(version);
    texts->addWidget(line());
    texts->addWidget(description);
    texts->addWidget(currentSettings);
    head->addLayout(texts, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(disclaimer, 1);
    bottom->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(line());
    layout->addLayout(bottom);
    setMinimumWidth(420);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { cmdSysInfo_Click(); });
}

void frmAbout::cmdSysInfo_Click() {
    if (start_()) return;
    dialogs_.message("System Information Is Unavailable At This Time", "", dxcmd::Icon::None, dxcmd::Buttons::Ok,
                     dxcmd::Answer::Ok);
}

}  // namespace dxshell
