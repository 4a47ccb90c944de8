#include "Handlers.h"

#include "FunctionHandlers.h"
#include "MotionHandlers.h"
#include "PictureHandlers.h"

namespace dxconsole {

namespace {

class Handlers final : public ConsoleHandlers {
public:
    explicit Handlers(ConsoleContext& context)
        : motion_(context), picture_(context), functions_(context, picture_) {}
    void stopHeldMovement() override { motion_.stopHeldMovement(); }

private:
    MotionHandlers motion_;
    PictureHandlers picture_;
    FunctionHandlers functions_;
};

}  // namespace

std::unique_ptr<ConsoleHandlers> InstallHandlers(ConsoleContext& context) {
    return std::make_unique<Handlers>(context);
}

}  // namespace dxconsole
