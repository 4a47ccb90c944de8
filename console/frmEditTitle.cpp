#include "frmEditTitle.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dxparams/Titles.h"

namespace dxconsole {

TitleBoxValidator::TitleBoxValidator(QLineEdit* box, dxcmd::IDialogs& dialogs, QWidget* skipFor)
    : QObject(box), box_(box), dialogs_(dialogs), skipFor_(skipFor) {
    box_->installEventFilter(this);
    connect(box_, &QLineEdit::textChanged, this, [this] {
        if (!busy_) refused_ = false;
    });
}

bool TitleBoxValidator::validate() {
    if (busy_) return false;
    busy_ = true;
    const QByteArray text = box_->text().toLatin1();
    const std::string trimmed = dxparams::TrimBlanks(std::string_view(text.constData(), size_t(text.size())));
    if (trimmed.size() != size_t(text.size()))
        box_->setText(QString::fromLatin1(trimmed.data(), qsizetype(trimmed.size())));
    // a character outside Latin-1 reads back as '?', which is refused too
    refused_ = !dxparams::TitleTextAllowed(trimmed);
    if (refused_) {
        dialogs_.message(std::string(dxparams::kTitleCharactersMessage), "Error", dxcmd::Icon::Critical,
                         dxcmd::Buttons::Ok, dxcmd::Answer::Ok);
        box_->setFocus(Qt::OtherFocusReason);
    }
    busy_ = false;
    return !refused_;
}

bool TitleBoxValidator::validateForClick() {
    if (busy_) return false;
    if (refused_) {
        box_->setFocus(Qt::OtherFocusReason);
        return false;
    }
    return validate();
}

bool TitleBoxValidator::eventFilter(QObject* watched, QEvent* event) {
    if (watched == box_ && event->type() == QEvent::FocusOut && !busy_) {
        const Qt::FocusReason r = static_cast<QFocusEvent*>(event)->reason();
        // only a move to another control; a menu, a box or another window is no leaving
        const bool toControl = r == Qt::MouseFocusReason || r == Qt::TabFocusReason ||
                               r == Qt::BacktabFocusReason || r == Qt::ShortcutFocusReason;
        QWidget* next = QApplication::focusWidget();
        if (toControl && !(skipFor_ && next == skipFor_)) validate();
    }
    return QObject::eventFilter(watched, event);
}

frmEditTitle::frmEditTitle(std::string& editedTitle, dxcmd::IDialogs& dialogs, QWidget* owner)
    : QDialog(owner), editedTitle_(editedTitle) {
    setObjectName(QStringLiteral("frmEditTitle"));
    setWindowTitle(QStringLiteral("Edit Title"));
    setModal(true);
    txtPositionTitle_ = new QLineEdit;
    txtPositionTitle_->setObjectName(QStringLiteral("txtPositionTitle"));
    txtPositionTitle_->setAccessibleName(QStringLiteral("Position Title"));
    txtPositionTitle_->setMaxLength(16);
    cmdOK_ = new QPushButton(QStringLiteral("OK"));
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel_ = new QPushButton(QStringLiteral("Cancel"));
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK_);
    buttons->addWidget(cmdCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtPositionTitle_);
    layout->addLayout(buttons);
    setMinimumWidth(280);

    txtPositionTitle_->setText(QString());
    txtPositionTitle_->setText(QString::fromLatin1(editedTitle_.data(), qsizetype(editedTitle_.size())));
    validator_ = new TitleBoxValidator(txtPositionTitle_, dialogs, cmdCancel_);
    connect(cmdOK_, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void frmEditTitle::cmdOK_Click() {
    if (!validator_->validateForClick()) return;
    const QByteArray text = txtPositionTitle_->text().toLatin1();
    editedTitle_.assign(text.constData(), size_t(text.size()));
    accept();
}

}  // namespace dxconsole

