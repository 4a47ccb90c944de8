#include "Handlers.h"

#include <stdexcept>

#include "FunctionHandlers.h"
#include "MotionHandlers.h"
#include "PictureHandlers.h"
#include "PresetHandlers.h"
#include "SettingFileHandlers.h"

namespace dxconsole {

namespace {

class InstalledHandlers final : public ConsoleHandlers {
public:
    explicit InstalledHandlers(ConsoleContext& context)
        : motion(context),
          picture(context),
          functions(context, picture),
          presets(context),
          files(context, motion, picture, presets) {}
    void stopHeldMovement() override { motion.stopHeldMovement(); }

    MotionHandlers motion;
    PictureHandlers picture;
    FunctionHandlers functions;
    PresetHandlers presets;
    SettingFileHandlers files;
};

InstalledHandlers& installed(ConsoleHandlers& h) {
    if (auto* i = dynamic_cast<InstalledHandlers*>(&h)) return *i;
    throw std::logic_error("not the console's installed handlers");
}

}  // namespace

std::unique_ptr<ConsoleHandlers> InstallHandlers(ConsoleContext& context) {
    return std::make_unique<InstalledHandlers>(context);
}

MotionHandlers& motionGroup(ConsoleHandlers& h) { return installed(h).motion; }
PictureHandlers& pictureGroup(ConsoleHandlers& h) { return installed(h).picture; }
FunctionHandlers& functionGroup(ConsoleHandlers& h) { return installed(h).functions; }
PresetHandlers& presetGroup(ConsoleHandlers& h) { return installed(h).presets; }
SettingFileHandlers& settingFileGroup(ConsoleHandlers& h) { return installed(h).files; }

}  // namespace dxconsole
