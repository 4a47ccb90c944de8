// The camera's own menu keys, the factory reset and the memory dump buttons.
#pragma once

#include <QObject>
#include <string>

#include "ConsoleContext.h"

class QButtonGroup;
class QPushButton;

namespace dxconsole {

class ConsoleHandlers;

class PictureHandlers;

class FunctionHandlers : public QObject {
public:
    FunctionHandlers(ConsoleContext& context, PictureHandlers& picture);

    void cmdMenu_Click();
    void cmdSet_Click();
    void optFactorySettings_Click();
    void cmdExecLoadFactorySettings_Click();
    void cmdExecDownload_Click();
    void cmdExecUpload_Click();

private:
    ConsoleContext& ctx_;
    PictureHandlers& picture_;
    QButtonGroup* optAuto_;
    QButtonGroup* optFactorySettings_;
    QPushButton* cmdMenu_;
    QPushButton* cmdSet_;
    QPushButton* cmdExecLoadFactorySettings_;
    QPushButton* cmdExecDownload_;
    QPushButton* cmdExecUpload_;
};

// The group inside what InstallHandlers returned (Save Changes calls its
// handlers directly). Throws std::logic_error for any other object.
FunctionHandlers& functionGroup(ConsoleHandlers& installed);

}  // namespace dxconsole
