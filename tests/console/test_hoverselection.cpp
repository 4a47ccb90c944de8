// The status labels' text is selectable with the mouse, as before, but the
// label holds a text document only while the mouse is over it or text is
// selected.
#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QLabel>
#include <QtTest>

#include "HoverSelection.h"

class TestHoverSelection : public QObject {
    Q_OBJECT

    static void send(QLabel& l, QEvent::Type type) {
        if (type == QEvent::Enter) {
            QEnterEvent e(QPointF(2, 2), QPointF(2, 2), l.mapToGlobal(QPointF(2, 2)));
            QApplication::sendEvent(&l, &e);
        } else {
            QEvent e(type);
            QApplication::sendEvent(&l, &e);
        }
    }

private slots:
    void selectableWhileTheMouseIsOverIt_data() {
        QTest::addColumn<QString>("steps");  // E enter, L leave, S select all, T new text
        QTest::addColumn<bool>("selectable");
        QTest::newRow("untouched") << "" << false;
        QTest::newRow("entered") << "E" << true;
        QTest::newRow("left") << "EL" << false;
        QTest::newRow("left with a selection") << "ESL" << true;
        QTest::newRow("selection gone with new text, left again") << "ESLTEL" << false;
        QTest::newRow("text changed under the mouse") << "ET" << true;
        QTest::newRow("left twice") << "ELL" << false;
    }
    void selectableWhileTheMouseIsOverIt() {
        QFETCH(QString, steps);
        QFETCH(bool, selectable);
        QLabel l(QStringLiteral("83:42:13:01"));
        l.setTextInteractionFlags(Qt::TextSelectableByMouse);
        dxconsole::SelectableUnderMouse(&l);
        // shown away from the pointer, so only the test's own events count
        QCursor::setPos(0, 0);
        l.move(400, 400);
        l.show();
        QVERIFY(QTest::qWaitForWindowExposed(&l));
        for (const QChar c : steps) {
            if (c == QLatin1Char('E')) send(l, QEvent::Enter);
            if (c == QLatin1Char('L')) send(l, QEvent::Leave);
            if (c == QLatin1Char('S')) l.setSelection(0, 5);
            if (c == QLatin1Char('T')) l.setText(QStringLiteral("82:06:02"));
            QCoreApplication::processEvents();  // painted as the program would
        }
        QCOMPARE(l.textInteractionFlags(), selectable ? Qt::TextSelectableByMouse : Qt::NoTextInteraction);
    }
};

QTEST_MAIN(TestHoverSelection)
#include "test_hoverselection.moc"
