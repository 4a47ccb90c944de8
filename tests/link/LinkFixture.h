#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "ExComCtrl.h"
#include "PtyPeer.h"
#include "dxlink/dxlink.h"

namespace dxtest {

struct Releaser {
    void operator()(dxlink::IExComCtrl* p) const { p->Release(); }
};
using LinkPtr = std::unique_ptr<dxlink::detail::ExComCtrl, Releaser>;

inline LinkPtr NewLink() { return LinkPtr(new dxlink::detail::ExComCtrl()); }

// COM1 is the slave side of a fresh pty played by the test.
class LinkTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("DX410_COM1", peer.slavePath().c_str(), 1); }
    void TearDown() override {
        dxlink_set_event_pump(nullptr, nullptr);
        unsetenv("DX410_COM1");
    }
    LinkPtr openLink(int16_t serialTimeout = 300) {
        LinkPtr link = NewLink();
        link->put_SerialTimeout(serialTimeout);
        EXPECT_EQ(link->PortOpen(1, 1), 0) << dxlink_port_error_text(int(link->LastOpenError()));
        return link;
    }

    PtyPeer peer;
};

}  // namespace dxtest
