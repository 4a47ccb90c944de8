#include "frmRst.h"

#include <QComboBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace dxshell {

frmRst::frmRst(dxcmd::ProgramState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("frmRst"));
    setWindowTitle(QStringLiteral("Form1"));
    setModal(true);
    cbo1_ = new QComboBox(this);
    cbo1_->setObjectName(QStringLiteral("cbo1"));
    cbo1_->setAccessibleName(QStringLiteral("cbo1"));
    cbo1_->setEditable(true);  // any reply can be typed, not only the three samples
    cbo1_->addItems({QStringLiteral("83:43:04:7F"), QStringLiteral("84:43:04:31:7F"),
                     QStringLiteral("84:43:04:01:05")});
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setAccessibleName(QStringLiteral("OK"));
    connect(ok, &QPushButton::clicked, this, [this] {
        state_.SimulatedReply = cbo1_->currentText().toStdString();
        accept();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(cbo1_);
    layout->addWidget(ok);
}

}  // namespace dxshell
