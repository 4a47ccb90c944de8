// The handler groups of the main window's controls (pan/tilt/lens, picture,
// function keys). They bind to the window's controls by object name.
#pragma once

#include <memory>

#include "ConsoleContext.h"

namespace dxconsole {

class ConsoleHandlers {
public:
    virtual ~ConsoleHandlers() = default;
    // Runs the stop routine of a movement button that is still held.
    virtual void stopHeldMovement() = 0;
};

// Connects every handler; call once, after the window's controls exist and
// hold their design-time values.
std::unique_ptr<ConsoleHandlers> InstallHandlers(ConsoleContext& context);

}  // namespace dxconsole
