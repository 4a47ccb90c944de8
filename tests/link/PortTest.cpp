// Opening the port: COM numbers, failures and the line the device ends up
// with.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "ComResolve.h"
#include "LinkFixture.h"

using namespace dxtest;
using dxlink::PortError;

namespace {

int g_endInits = 0;
void CountEndInit(void*) { ++g_endInits; }

}  // namespace

TEST(ComNumbers, OrderIsUsbThenAcmThenOnboardEachNumerically) {
    const std::vector<std::string> names = {"ttyS1", "ttyUSB10", "tty0", "ttyACM0", "ttyUSB2",
                                            "ttyS0", "ttyUSBx", "console", "ttyS10", "ttyS2"};
    const std::vector<std::string> want = {"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyS0",
                                           "/dev/ttyS1",   "/dev/ttyS2",    "/dev/ttyS10"};
    EXPECT_EQ(dxlink::detail::OrderSerialDevices(names), want);
}

TEST_F(LinkTest, OpenFailuresAreReportedAndRaiseEndInit) {
    struct Case {
        const char* device;
        PortError error;
        int err;
    };
    const Case cases[] = {
        {"/dev/no-such-tty", PortError::NotFound, ENOENT},
        {"/dev/null", PortError::NotSerial, ENOTTY},
    };
    for (const Case& c : cases) {
        setenv("DX410_COM2", c.device, 1);
        LinkPtr link = NewLink();
        g_endInits = 0;
        link->SetEndInitHandler(CountEndInit, nullptr);
        EXPECT_EQ(link->PortOpen(3, 2), 1) << c.device;
        EXPECT_EQ(g_endInits, 1);
        EXPECT_EQ(link->LastOpenError(), c.error) << c.device;
        EXPECT_EQ(link->LastOpenErrno(), c.err);
        EXPECT_EQ(link->ResolvedDevice(), c.device);
        EXPECT_EQ(link->get_DeviceType(), 3);
        EXPECT_EQ(link->get_port(), 2);
        EXPECT_TRUE(dxlink_link_idle());
    }
    unsetenv("DX410_COM2");
}

TEST_F(LinkTest, SettingThePortRejectsLeavesItClosed) {
    LinkPtr bad = NewLink();
    bad->put_Databit(9);
    EXPECT_EQ(bad->PortOpen(1, 1), 1);
    EXPECT_EQ(bad->LastOpenError(), PortError::Other);
    LinkPtr unsupportedRate = NewLink();
    unsupportedRate->put_Baudrate(32767);
    EXPECT_EQ(unsupportedRate->PortOpen(1, 1), 1);
    // Neither kept the device.
    LinkPtr good = NewLink();
    EXPECT_EQ(good->PortOpen(1, 1), 0);
}

TEST_F(LinkTest, PortHeldInThisProcessIsBusyUntilClosed) {
    LinkPtr first = openLink();
    LinkPtr second = NewLink();
    EXPECT_EQ(second->PortOpen(1, 1), 1);
    EXPECT_EQ(second->LastOpenError(), PortError::Busy);
    first->PortClose();
    EXPECT_EQ(second->PortOpen(1, 1), 0) << int(second->LastOpenError()) << " " << second->LastOpenErrno();
    // Releasing without PortClose also lets the port go.
    second.reset();
    LinkPtr third = NewLink();
    EXPECT_EQ(third->PortOpen(1, 1), 0);
}

TEST_F(LinkTest, PortLockedByAnotherProcessIsBusy) {
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = open(peer.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        const char ok = (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0) ? 'y' : 'n';
        (void)!write(ready[1], &ok, 1);
        char c;
        (void)!read(done[0], &c, 1);
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');
    LinkPtr link = NewLink();
    EXPECT_EQ(link->PortOpen(1, 1), 1);
    EXPECT_EQ(link->LastOpenError(), PortError::Busy);
    (void)!write(done[1], "x", 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(link->PortOpen(1, 1), 0);
    for (int fd : {ready[0], ready[1], done[0], done[1]}) close(fd);
}

TEST_F(LinkTest, LineSettingsTheDeviceHolds) {
    LinkPtr link = openLink();
    termios t{};
    ASSERT_EQ(tcgetattr(peer.slaveFd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));
    EXPECT_EQ(cfgetispeed(&t), speed_t(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_FALSE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_FALSE(t.c_cflag & HUPCL);
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_TRUE(t.c_cflag & CREAD);
    EXPECT_FALSE(t.c_iflag & (IXON | IXOFF));
    // parity is checked and a failed byte marked, never passed on or dropped
    EXPECT_EQ(t.c_iflag & (INPCK | PARMRK | IGNPAR | ISTRIP), tcflag_t(INPCK | PARMRK));
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    // A pty keeps no parity bits, so check what was asked of it.
    const termios& asked = link->channel()->port().requested();
    EXPECT_TRUE(asked.c_cflag & PARENB);
    EXPECT_FALSE(asked.c_cflag & PARODD);
    EXPECT_EQ(link->channel()->setting(), "9600,e,8,1");
}

TEST_F(LinkTest, ConfigFieldsReachTheLine) {
    LinkPtr link = NewLink();
    link->put_Baudrate(19200);
    link->put_Stopbit(3);
    link->put_FlowControl(1);
    link->put_Parity(1);
    ASSERT_EQ(link->PortOpen(1, 1), 0);
    termios t{};
    ASSERT_EQ(tcgetattr(peer.slaveFd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), speed_t(B19200));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), tcflag_t(IXON | IXOFF));
    EXPECT_EQ(link->channel()->setting(), "19200,o,8,2");
    link->PortClose();

    link->put_Stopbit(2);  // one and a half: the longer termios frame
    link->put_FlowControl(2);
    ASSERT_EQ(link->PortOpen(1, 1), 0);
    ASSERT_EQ(tcgetattr(peer.slaveFd(), &t), 0);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    EXPECT_FALSE(t.c_iflag & IXON);
    EXPECT_EQ(link->channel()->setting(), "19200,o,8,1.5");
}
