// Every manual shutter speed the camera took comes back from a saved
// setting file, 1/10000 included, without a message.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QtTest>

#include "../support/RigTest.h"

class TestShutterRoundTrip : public dxtest::RigTest {
    Q_OBJECT

private slots:
    void everyManualSpeedLoadsBack() {
        auto* speed = rig->w<QComboBox>("cboShutterSpeed");
        QCOMPARE(speed->itemText(6), QStringLiteral("1/10000"));  // the last of 1/120 ... 1/10000
        rig->opt("optShutter", 1)->click();
        QStringList files;
        for (int i = 0; i < speed->count(); ++i) {
            speed->setCurrentIndex(i);
            files << rig->dir.filePath(QStringLiteral("speed%1.dat").arg(i));
            rig->dialogs.expectSaveFile(files.last().toStdString());
            rig->w<QAction>("mnuSaveAs")->trigger();
        }
        for (int i = 0; i < speed->count(); ++i) {
            speed->setCurrentIndex(i == 0 ? 1 : 0);
            rig->opt("optShutter", 0)->click();
            rig->dialogs.expectOpenFile(files[i].toStdString());
            rig->w<QAction>("mnuLoadSettingFile")->trigger();
            QCOMPARE(rig->w<QButtonGroup>("optShutter")->checkedId(), 1);
            QCOMPARE(speed->currentIndex(), i);
        }
    }
};

QTEST_MAIN(TestShutterRoundTrip)
#include "test_shutterroundtrip.moc"
