#include "QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace dxconsole {

QString QtFileFilter(const std::string& pipeFilter) {
    const QStringList parts = QString::fromStdString(pipeFilter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts[i].trimmed();
        QString pattern = parts[i + 1].trimmed();
        if (name.isEmpty() && pattern.isEmpty()) continue;
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt takes the patterns from the parentheses at the end of the name
        if (name.endsWith(QLatin1Char(')')) && name.contains(QLatin1Char('(')))
            filters << name;
        else
            filters << name + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

namespace {

QMessageBox::StandardButton standard(dxcmd::Answer a) {
    switch (a) {
    case dxcmd::Answer::Ok: return QMessageBox::Ok;
    case dxcmd::Answer::Cancel: return QMessageBox::Cancel;
    case dxcmd::Answer::Yes: return QMessageBox::Yes;
    case dxcmd::Answer::No: return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

}  // namespace

std::unique_ptr<QMessageBox> BuildMessageBox(const std::string& text, const std::string& title, dxcmd::Icon icon,
                                             dxcmd::Buttons buttons, dxcmd::Answer defaultButton,
                                             QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(parent);
    QString body = QString::fromStdString(text);
    body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    box->setTextFormat(Qt::PlainText);
    box->setText(body);
    box->setWindowTitle(title.empty() ? QString::fromLatin1(dxcmd::kAppTitle) : QString::fromStdString(title));
    switch (icon) {
    case dxcmd::Icon::None: box->setIcon(QMessageBox::NoIcon); break;
    case dxcmd::Icon::Critical: box->setIcon(QMessageBox::Critical); break;
    case dxcmd::Icon::Question: box->setIcon(QMessageBox::Question); break;
    case dxcmd::Icon::Information: box->setIcon(QMessageBox::Information); break;
    }
    switch (buttons) {
    case dxcmd::Buttons::Ok: box->setStandardButtons(QMessageBox::Ok); break;
    case dxcmd::Buttons::YesNo: box->setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case dxcmd::Buttons::OkCancel: box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    }
    if (box->button(standard(defaultButton))) box->setDefaultButton(standard(defaultButton));
    return box;
}

QWidget* QtDialogs::owner() const {
    return parent_ ? parent_.data() : QApplication::activeWindow();
}

dxcmd::Answer QtDialogs::message(const std::string& text, const std::string& title, dxcmd::Icon icon,
                                 dxcmd::Buttons buttons, dxcmd::Answer defaultButton) {
    auto box = BuildMessageBox(text, title, icon, buttons, defaultButton, owner());
    switch (box->exec()) {
    case QMessageBox::Ok: return dxcmd::Answer::Ok;
    case QMessageBox::Yes: return dxcmd::Answer::Yes;
    case QMessageBox::No: return dxcmd::Answer::No;
    case QMessageBox::Cancel: return dxcmd::Answer::Cancel;
    default: break;
    }
    // closed with Escape or the close box: the safe answer
    return buttons == dxcmd::Buttons::Ok ? dxcmd::Answer::Ok
           : buttons == dxcmd::Buttons::YesNo ? dxcmd::Answer::No
                                               : dxcmd::Answer::Cancel;
}

std::optional<std::string> QtDialogs::openFile(const std::string& filter) {
    const QString f = QFileDialog::getOpenFileName(owner(), QString(), QString(), QtFileFilter(filter));
    if (f.isEmpty()) return std::nullopt;
    return f.toStdString();
}

std::optional<std::string> QtDialogs::saveFile(const std::string& filter, const std::string& defaultExt) {
    QFileDialog dialog(owner(), QString(), QString(), QtFileFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // asks before replacing an existing file
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (!defaultExt.empty()) dialog.setDefaultSuffix(QString::fromStdString(defaultExt));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

}  // namespace dxconsole
