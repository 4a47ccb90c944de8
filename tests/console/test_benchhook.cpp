// The program's start-up reports for the bench: written only when the
// environment names a descriptor, once per watched window, after its first
// paint.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QWidget>
#include <QtTest>
#include <cstdlib>
#include <ctime>

#include "BenchHook.h"

namespace {

// All that the pipe holds once its writer has closed (bounded).
QByteArray drain(int fd) {
    QByteArray out;
    char buf[256];
    for (int i = 0; i < 1000; ++i) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, n);
    }
    return out;
}

}  // namespace

class TestBenchHook : public QObject {
    Q_OBJECT

private slots:
    // Each moment once, in order, each line "name microseconds" on the
    // monotonic clock the bench measures with.
    void momentsAreReportedOnceWithTheirTime() {
        int p[2];
        QCOMPARE(::pipe(p), 0);
        int steps = 0;
        timespec start{};
        clock_gettime(CLOCK_MONOTONIC, &start);
        {
            dxshell::BenchHook hook(p[1], false);
            QWidget a, b;
            hook.watchShow(&b, "splash-show");
            hook.watchFirstPaint(&b, "splash");
            b.show();
            QVERIFY(QTest::qWaitForWindowExposed(&b));
            QCoreApplication::processEvents();
            hook.report("open");
            hook.watchFirstPaint(&a, "shown", [&] {
                ++steps;
                hook.report("titles");
            });
            a.show();
            QTRY_COMPARE(steps, 1);
            a.hide();
            a.show();
            a.repaint();
            b.repaint();
            QCoreApplication::processEvents();
            QCOMPARE(steps, 1);
        }
        // the hook closed its end
        const QList<QByteArray> lines = drain(p[0]).split('\n');
        ::close(p[0]);
        const QList<QByteArray> names{"splash-show", "splash", "open", "shown", "titles", ""};
        QCOMPARE(lines.size(), names.size());
        long long last = (long long)start.tv_sec * 1000000 + start.tv_nsec / 1000;
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            const QList<QByteArray> parts = lines[i].split(' ');
            QCOMPARE(parts.size(), 2);
            QCOMPARE(parts[0], names[i]);
            bool ok = false;
            const long long us = parts[1].toLongLong(&ok);
            QVERIFY(ok);
            QVERIFY(us >= last);
            last = us;
        }
    }

    void environmentNamesTheDescriptor_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("mode");  // -1: the value as it is; else a descriptor opened so
        QTest::addColumn<QByteArray>("titles");
        QTest::addColumn<bool>("hooked");
        QTest::addColumn<bool>("titleLoad");
        QTest::newRow("unset") << QByteArray() << -1 << QByteArray() << false << false;
        QTest::newRow("not a number") << QByteArray("three") << -1 << QByteArray() << false << false;
        QTest::newRow("not open") << QByteArray("999") << -1 << QByteArray() << false << false;
        QTest::newRow("read only") << QByteArray() << int(O_RDONLY) << QByteArray("1") << false << false;
        QTest::newRow("writable") << QByteArray() << int(O_WRONLY) << QByteArray() << true << false;
        QTest::newRow("title load") << QByteArray() << int(O_RDWR) << QByteArray("1") << true << true;
        QTest::newRow("other title value") << QByteArray() << int(O_WRONLY) << QByteArray("yes") << true << false;
    }
    void environmentNamesTheDescriptor() {
        QFETCH(QByteArray, value);
        QFETCH(int, mode);
        QFETCH(QByteArray, titles);
        QFETCH(bool, hooked);
        QFETCH(bool, titleLoad);
        int fd = -1;
        if (mode >= 0) {
            fd = ::open("/dev/null", mode | O_CLOEXEC);
            QVERIFY(fd >= 0);
            value = QByteArray::number(fd);
        }
        if (value.isNull())
            ::unsetenv("DX410_BENCH_FD");
        else
            ::setenv("DX410_BENCH_FD", value.constData(), 1);
        if (titles.isNull())
            ::unsetenv("DX410_BENCH_TITLE_LOAD");
        else
            ::setenv("DX410_BENCH_TITLE_LOAD", titles.constData(), 1);
        const auto hook = dxshell::BenchHook::FromEnvironment();
        ::unsetenv("DX410_BENCH_FD");
        ::unsetenv("DX410_BENCH_TITLE_LOAD");
        QCOMPARE(bool(hook), hooked);
        if (hook) QCOMPARE(hook->titleLoad(), titleLoad);
        // a hook owns its descriptor; without one it stays the caller's
        if (fd >= 0 && !hook) ::close(fd);
    }
};

QTEST_MAIN(TestBenchHook)
#include "test_benchhook.moc"
