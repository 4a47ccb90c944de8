// The program's event pump for the link's waits, with a test's own step run
// at every call: how a test acts while an exchange waits for the camera.
#pragma once

#include <functional>

#include "EventPump.h"
#include "dxlink/dxlink.h"

namespace dxtest {

class PumpHook {
public:
    explicit PumpHook(std::function<void()> each = {}) : each_(std::move(each)) { dxlink_set_event_pump(&call, this); }
    ~PumpHook() { dxlink_set_event_pump(nullptr, nullptr); }
    PumpHook(const PumpHook&) = delete;
    PumpHook& operator=(const PumpHook&) = delete;

private:
    static void call(void* self) {
        auto* h = static_cast<PumpHook*>(self);
        dxconsole::PumpEvents(nullptr);
        if (h->each_) h->each_();
    }
    std::function<void()> each_;
};

}  // namespace dxtest
