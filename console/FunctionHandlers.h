// The camera's own menu keys and the factory reset.
#pragma once

#include <QObject>
#include <string>

#include "ConsoleContext.h"

class QButtonGroup;
class QPushButton;

namespace dxconsole {

class PictureHandlers;

class FunctionHandlers : public QObject {
public:
    FunctionHandlers(ConsoleContext& context, PictureHandlers& picture);

    void cmdMenu_Click();
    void cmdSet_Click();
    void optFactorySettings_Click();
    void cmdExecLoadFactorySettings_Click();

private:
    ConsoleContext& ctx_;
    PictureHandlers& picture_;
    QButtonGroup* optAuto_;
    QButtonGroup* optFactorySettings_;
    QPushButton* cmdMenu_;
    QPushButton* cmdSet_;
    QPushButton* cmdExecLoadFactorySettings_;
};

}  // namespace dxconsole
