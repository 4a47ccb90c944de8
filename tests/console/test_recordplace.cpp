// The diagnostic program, whose record holds replies picked by hand, never
// writes the operator's current-settings file.
#include <QTemporaryDir>
#include <QtTest>

#include "RecordPlace.h"
#include "dxcmd/Profile.h"

class TestRecordPlace : public QObject {
    Q_OBJECT

private slots:
    void eachProgramHasItsOwnRecord_data() {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("diagnostic");
        QTest::addColumn<QString>("expected");  // under the program's folder (bin) or the user's (home)
        QTest::newRow("build tree") << false << false << "bin/current.orn";
        QTest::newRow("build tree, diagnostic") << false << true << "bin/current-diagnostic.orn";
        QTest::newRow("installed") << true << false << "home/DX410/current.orn";
        QTest::newRow("installed, diagnostic") << true << true << "home/DX410-diagnostic/current-diagnostic.orn";
    }
    void eachProgramHasItsOwnRecord() {
        QFETCH(bool, installed);
        QFETCH(bool, diagnostic);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkdir(QStringLiteral("bin")));
        const auto place = dxshell::RecordPlaceFor(diagnostic, installed, root.filePath("bin").toStdString(),
                                                   root.filePath("home").toStdString());
        const std::string file = dxcmd::ResolveCurrentFile(place.programDir, place.userDir, place.fileName);
        QCOMPARE(QString::fromStdString(file), root.filePath(expected));
    }
};

QTEST_MAIN(TestRecordPlace)
#include "test_recordplace.moc"
