// What a screen reader gets from the main window through Qt's accessibility
// interface, also without X: the value labels' texts, and each drop-down
// list labelled by its own caption.
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "../support/RigTest.h"

class TestAccessibility : public dxtest::RigTest {
    Q_OBJECT

    QString name(QObject* o) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(o);
        return a ? a->text(QAccessible::Name) : QString();
    }

private slots:
    void valueLabelsReadCaptionAndValue() {
        rig->w<QAction>("mnuTkc_0")->trigger();
        QTest::mouseClick(rig->w<QPushButton>("cmdSet"), Qt::LeftButton);
        const QString sent = rig->frames(1).value(0);
        const QList<QPair<const char*, QString>> values{
            {"lblModel", "Model: DX-430"},
            {"lblCom", "Comm Port: COM1"},
            {"lblInterface", "Interface: RS422A"},
            {"lblCommand", "Command: " + sent},
            {"lblACKResult", "ACK Result: Matched!"},
            {"lblAddressedCamera", "Addressed camera: P to P"},
        };
        for (const auto& [label, read] : values) QCOMPARE(name(rig->w<QLabel>(label)), read);
        const QString port = name(rig->w<QLabel>("lblPortStatus"));
        QVERIFY2(port.startsWith("Port status: COM1") && port.contains(rig->sim.devicePath().c_str()),
                 qPrintable(port));
    }

    void listsAreLabelledByTheirOwnCaption() {
        const QList<QPair<const char*, QString>> lists{
            {"cboIrisMode", "Iris"},
            {"cboShutterSpeed", "Speed"},
            {"cboSenseUpSelect", "Sense up"},
            {"cboSenseUpPriority", "Priority"},
        };
        for (const auto& [list, caption] : lists) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(rig->w<QComboBox>(list));
            QVERIFY(a);
            // on Linux a list's name is its current item; the label comes from the relation
            QStringList labels;
            for (const auto& rel : a->relations(QAccessible::Label)) labels << rel.first->text(QAccessible::Name);
            QCOMPARE(labels, QStringList{caption});
        }
    }
};

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
