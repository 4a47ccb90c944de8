// The status labels' text is selectable with the mouse, as before, but the
// label holds a text document only while the mouse is over it or text is
// selected.
#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QtTest>

#include "StatusLabels.h"

class TestStatusLabels : public QObject {
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
    // A change of text repaints the label and relayouts nothing: the
    // window's layout stays as it was, however long the text.
    void heldLabelChangesRelayoutNothing() {
        QWidget w;
        auto* row = new QHBoxLayout(&w);
        auto* held = new QLabel;
        held->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        held->setFixedHeight(20);
        auto* other = new QLabel(QStringLiteral("other"));
        row->addWidget(held, 1);
        row->addWidget(other, 1);
        dxconsole::HoldOutOfLayout(held);
        w.resize(400, 40);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(held->size(), held->parentWidget()->size());
        QCOMPARE(held->height(), 20);
        QVERIFY(held->parentWidget() != &w);
        QCOMPARE(held->parentWidget()->parentWidget(), &w);
        const QRect before = held->parentWidget()->geometry();
        int relayouts = 0;
        struct Count : QObject {
            int& n;
            explicit Count(int& c) : n(c) {}
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::LayoutRequest) ++n;
                return false;
            }
        } count(relayouts);
        w.installEventFilter(&count);
        for (const char* t : {"83:42:13:01", "", "Error! a much longer text than the label is wide"}) {
            held->setText(QString::fromLatin1(t));
            QCoreApplication::processEvents();
            QCOMPARE(held->text(), QString::fromLatin1(t));
        }
        QCOMPARE(relayouts, 0);
        QCOMPARE(held->parentWidget()->geometry(), before);
        // the window's own resizes still reach the label
        w.resize(600, 40);
        QTRY_COMPARE(held->width(), held->parentWidget()->width());
        QVERIFY(held->parentWidget()->geometry() != before);
    }
};

QTEST_MAIN(TestStatusLabels)
#include "test_statuslabels.moc"
