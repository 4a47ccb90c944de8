// The diagnostic build's reply picker: stands in for the camera's answer.
#pragma once

#include <QDialog>

#include "dxcmd/State.h"

class QComboBox;

namespace dxshell {

class frmRst : public QDialog {
    Q_OBJECT
public:
    frmRst(dxcmd::ProgramState& state, QWidget* parent = nullptr);

private:
    dxcmd::ProgramState& state_;
    QComboBox* cbo1_;
};

}  // namespace dxshell
