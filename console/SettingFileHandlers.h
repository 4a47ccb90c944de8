// The File menu's setting-file commands: Load Setting File, Save Setting
// File as and Save Changes.
#pragma once

#include <QObject>

#include "ConsoleContext.h"
#include "dxparams/SettingFiles.h"

namespace dxconsole {

class ConsoleHandlers;
class MotionHandlers;
class PictureHandlers;
class PresetHandlers;

class SettingFileHandlers : public QObject, public dxparams::IConsoleHandlers {
public:
    SettingFileHandlers(ConsoleContext& context, MotionHandlers& motion, PictureHandlers& picture,
                        PresetHandlers& presets);

    void mnuLoadSettingFile_Click();
    void mnuSaveAs_Click();
    void mnuSaveChanges_Click();

    // Save Changes runs the controls' own handlers.
    void run(dxparams::Handler h) override;
    bool isDX430() const override;
    int selectedStyle() const override;

private:
    void guarded(void (SettingFileHandlers::*action)());

    ConsoleContext& ctx_;
    MotionHandlers& motion_;
    PictureHandlers& picture_;
    PresetHandlers& presets_;
};

SettingFileHandlers& settingFileGroup(ConsoleHandlers& installed);

}  // namespace dxconsole
