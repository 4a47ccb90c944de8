// The two DUMP64 buttons through the main window and the transfer window,
// against the simulated camera.
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <fstream>
#include <memory>

#include "../support/ConsoleRig.h"
#include "../support/PumpHook.h"

namespace {

using Rig = dxtest::ConsoleRig;

const char* const kAskUpload = "Are you sure to upload?";

dxsim::Options smallCamera() {
    dxsim::Options o;
    o.turnaroundMs = 1;
    o.dumpPackets = 8;
    return o;
}

std::string dumpText(const std::vector<std::string>& lines) {
    std::string t;
    for (const auto& l : lines) t += l + "\r\n";
    return t + "\r\n";
}

std::string readAll(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

class TestDump : public QObject {
    Q_OBJECT

    std::unique_ptr<Rig> rig;

    void click(const char* button) { rig->w<QPushButton>(button)->click(); }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() {
        rig = std::make_unique<Rig>(smallCamera());
        QVERIFY(rig->openShown());
    }
    void cleanup() {
        const QStringList failures = Rig::finish(rig);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("\n")));
    }

    void downloadThenUploadRestoresTheMemory() {
        QStringList seen;  // what the transfer window showed while its job ran
        dxtest::PumpHook hook([&] {
            if (auto* w = Rig::shown<QWidget>("frmUPandDOWN")) {
                const QString s = w->windowTitle() + "|" + dxconsole::need<QLabel>(*w, "lblStatus")->text();
                if (seen.isEmpty() || seen.last() != s) seen << s;
            }
        });
        const QString path = rig->dir.filePath("camera.dmp");
        const auto memory = rig->sim.state().memory;

        rig->dialogs.expectSaveFile(path.toStdString());
        click("cmdExecDownload");
        QCOMPARE(readAll(path), dumpText(memory));

        auto s = rig->sim.state();
        for (size_t k = 0; k < s.memory.size(); ++k) s.memory[k] = dxsim::packetFrame(int(k), {1, 2, 3});
        rig->sim.setState(s);
        rig->dialogs.expectOpenFile(path.toStdString());
        rig->dialogs.expectMessage(kAskUpload, dxcmd::Answer::Yes);
        click("cmdExecUpload");
        QVERIFY(rig->sim.state().memory == memory);
        QVERIFY(rig->sim.state().uploadEnded);

        QCOMPARE(seen, QStringList({"Now Downloading...|Now Downloading from the camera...",
                                    "Now Uploading...|Now Uploading to the camera..."}));
        const auto& ask = rig->dialogs.shown().back();
        QCOMPARE(ask.text, std::string(kAskUpload));
        QCOMPARE(ask.title, std::string("Upload"));
        QVERIFY(ask.icon == dxcmd::Icon::Question && ask.buttons == dxcmd::Buttons::YesNo &&
                ask.defaultButton == dxcmd::Answer::No);
    }

    void nothingSentWithoutAFileOrAYes_data() {
        QTest::addColumn<bool>("upload");
        QTest::addColumn<bool>("fileChosen");
        QTest::newRow("save dialog cancelled") << false << false;
        QTest::newRow("open dialog cancelled") << true << false;
        QTest::newRow("upload answered No") << true << true;
    }
    void nothingSentWithoutAFileOrAYes() {
        QFETCH(bool, upload);
        QFETCH(bool, fileChosen);
        const QString path = rig->dir.filePath("old.dmp");
        { std::ofstream(path.toStdString()) << "OLD\r\n"; }
        std::optional<std::string> chosen;
        if (fileChosen) chosen = path.toStdString();
        if (upload) {
            rig->dialogs.expectOpenFile(chosen);
            if (fileChosen) rig->dialogs.expectMessage(kAskUpload, dxcmd::Answer::No);
        } else {
            rig->dialogs.expectSaveFile(chosen);
        }
        click(upload ? "cmdExecUpload" : "cmdExecDownload");
        QVERIFY(rig->sim.received().empty());
        QCOMPARE(readAll(path), std::string("OLD\r\n"));
    }
};

QTEST_MAIN(TestDump)
#include "test_dump.moc"
