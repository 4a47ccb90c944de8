// The main window as a screen reader sees it over AT-SPI: run under Xvfb
// with a session bus of its own (see CMakeLists.txt). Every control has a
// name, and every value label reads as its caption and its value.
#include <QAction>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include "ConsoleRig.h"

class TestAtspi : public dxtest::RigTest {
    Q_OBJECT

    QString bus_;

    // One gdbus call; this process's own bridge answers it while we wait.
    QString call(const QString& service, const QString& path, const char* method, const QStringList& args = {}) {
        QProcess p;
        p.start("gdbus", QStringList{"call", "--address", bus_, "--dest", service, "--object-path", path, "--method",
                                     method} + args);
        if (!p.waitForStarted() || !QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 10000))
            return {};
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    // The strings or object paths of a printed reply.
    static QStringList all(const QString& reply, const QString& pattern) {
        QStringList out;
        for (const auto& m : QRegularExpression(pattern).globalMatch(reply)) out << m.captured(2);
        return out;
    }
    static QString text(const QString& reply) { return all(reply, QStringLiteral("(['\"])(.*)\\1")).value(0); }

private slots:
    void screenReaderReadsTheWindow() {
        if (QGuiApplication::platformName() != "xcb" || qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            QSKIP("needs X (Xvfb) and a session bus");
        OPEN_RIG();
        bus_ = QString::fromLocal8Bit(qgetenv("DBUS_SESSION_BUS_ADDRESS"));  // to ask it for the accessibility bus
        bus_ = text(call("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus.GetAddress"));
        QVERIFY2(!bus_.isEmpty(), "no accessibility bus");

        r.w<QAction>("mnuTkc_0")->trigger();
        QTest::mouseClick(r.w<QPushButton>("cmdSet"), Qt::LeftButton);

        // this process among the registered applications
        QString app;
        const QString pid = QString::number(QCoreApplication::applicationPid());
        QVERIFY(QTest::qWaitFor([&] {
            const QString apps = call("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root",
                                      "org.a11y.atspi.Accessible.GetChildren");
            for (const QString& s : all(apps, QStringLiteral("(')(:[0-9.]+)'")))
                if (call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                         "org.freedesktop.DBus.GetConnectionUnixProcessID", {s})
                        .contains(" " + pid + ","))
                    app = s;
            return !app.isEmpty();
        }, 10000));

        QStringList unnamed, labels, paths{"/org/a11y/atspi/accessible/root"};
        const QStringList controls{"push button", "toggle button", "check box", "radio button", "combo box",
                                   "slider", "text", "entry", "page tab", "table", "tree table", "list", "tree"};
        while (!paths.isEmpty()) {
            const QString path = paths.takeFirst();
            const QString role = text(call(app, path, "org.a11y.atspi.Accessible.GetRoleName"));
            const QString name = text(call(app, path, "org.freedesktop.DBus.Properties.Get",
                                           {"org.a11y.atspi.Accessible", "Name"}));
            if (controls.contains(role) && name.trimmed().isEmpty()) unnamed << role + " " + path;
            if (role == QLatin1String("label")) labels << name;
            // not into the preset list's hundred rows, nor a drop-down list's own pop-up list
            static const QStringList leaves{"table", "tree table", "list", "tree", "combo box"};
            if (!leaves.contains(role))
                paths << all(call(app, path, "org.a11y.atspi.Accessible.GetChildren"),
                             QStringLiteral("(')(/org/a11y/atspi/accessible/[^']+)'"));
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join('\n')));
        for (const char* caption : {"Model: DX-430", "Comm Port: COM1", "Interface: RS422A", "ACK Result: Matched!",
                                    "Addressed camera: P to P"})
            QVERIFY2(labels.contains(caption), caption);
        for (const char* caption : {"Command: ", "Port status: COM1"})
            QVERIFY2(!labels.filter(QRegularExpression(QStringLiteral("^") + caption + ".")).isEmpty(), caption);
    }
};

QTEST_MAIN(TestAtspi)
#include "atspi_test.moc"
