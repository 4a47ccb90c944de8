// Each drop-down list of the main window is labelled, for a screen reader,
// by its own caption and not by the frame around it (the names and value
// labels are read over AT-SPI in atspi_test.cpp).
#include <QAccessible>
#include <QComboBox>
#include <QtTest>

#include "../support/RigTest.h"

class TestAccessibility : public dxtest::RigTest {
    Q_OBJECT

private slots:
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
