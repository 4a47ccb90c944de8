#include "Handlers.h"

namespace dxconsole {

namespace {

class Handlers final : public ConsoleHandlers {
public:
    explicit Handlers(ConsoleContext& context) : context_(context) {}
    void stopHeldMovement() override {}

private:
    ConsoleContext& context_;
};

}  // namespace

std::unique_ptr<ConsoleHandlers> InstallHandlers(ConsoleContext& context) {
    return std::make_unique<Handlers>(context);
}

}  // namespace dxconsole
