// The two DUMP64 buttons through the main window and the transfer window,
// against the simulated camera.
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "../support/RigTest.h"
#include "../support/PumpHook.h"

namespace {


const char* const kAskUpload = "Are you sure to upload?";

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestDump : public dxtest::RigTest {
    Q_OBJECT

    QString path;

    void click(const char* button) { rig->w<QPushButton>(button)->click(); }

protected:
    std::unique_ptr<Rig> makeRig() override {
        dxsim::Options o;
        o.turnaroundMs = 1;
        o.dumpPackets = 8;
        return std::make_unique<Rig>(o);
    }
    void arrange() override {
        path = rig->dir.filePath("camera.dmp");
    }

private slots:

    void downloadThenUploadRestoresTheMemory() {
        QStringList seen;  // what the transfer window showed while its job ran
        dxtest::PumpHook hook([&] {
            if (auto* w = Rig::shown<QWidget>("frmUPandDOWN")) {
                const QString s = w->windowTitle() + "|" + dxconsole::need<QLabel>(*w, "lblStatus")->text();
                if (seen.isEmpty() || seen.last() != s) seen << s;
            }
        });
        auto s = rig->sim.state();
        const auto memory = s.memory;
        rig->dialogs.expectSaveFile(path.toStdString());
        click("cmdExecDownload");
        std::string dump;
        for (const auto& line : memory) dump += line + "\r\n";
        QCOMPARE(contents(path), QByteArray::fromStdString(dump + "\r\n"));

        for (size_t k = 0; k < s.memory.size(); ++k) s.memory[k] = dxsim::packetFrame(int(k), {1, 2, 3});
        rig->sim.setState(s);
        rig->dialogs.expectOpenFile(path.toStdString());
        rig->dialogs.expectMessage(kAskUpload, dxcmd::Answer::Yes);
        click("cmdExecUpload");
        QVERIFY(rig->sim.state().memory == memory);

        QCOMPARE(seen, QStringList({"Now Downloading...|Now Downloading from the camera...",
                                    "Now Uploading...|Now Uploading to the camera..."}));
        const auto& ask = rig->dialogs.shown().back();
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
        const auto chosen = fileChosen ? std::optional(path.toStdString()) : std::nullopt;
        if (!upload) rig->dialogs.expectSaveFile(chosen);
        if (upload) rig->dialogs.expectOpenFile(chosen);
        if (fileChosen) rig->dialogs.expectMessage(kAskUpload, dxcmd::Answer::No);
        click(upload ? "cmdExecUpload" : "cmdExecDownload");
        QVERIFY(rig->sim.received().empty());
    }
};

QTEST_MAIN(TestDump)
#include "test_dump.moc"
