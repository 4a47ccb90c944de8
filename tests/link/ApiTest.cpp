// Through the shared library as the host sees it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "dxlink/dxlink.h"

TEST(SharedLibrary, CreatesLinksAndReportsOpenFailures) {
    setenv("DX410_COM4", "/dev/no-such-tty", 1);
    dxlink::IExComCtrl* link = dxlink_create();
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->get_SerialTimeout(), 5000);
    dxlink_set_link_idle(false);
    EXPECT_EQ(link->PortOpen(1, 4), 1);
    EXPECT_TRUE(dxlink_link_idle());
    EXPECT_STREQ(dxlink_port_error_text(int(link->LastOpenError())), "not found");
    EXPECT_EQ(link->ResolvedDevice(), "/dev/no-such-tty");
    link->Release();
    unsetenv("DX410_COM4");
    EXPECT_STREQ(dxlink_port_error_text(int(dxlink::PortError::Busy)), "busy");
    EXPECT_STREQ(dxlink_port_error_text(99), "error");
}
