// The camera from the keyboard: keys held, pressed and repeated on the main
// window, and the frames they put on the line.
#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include "../support/RigTest.h"

class TestKeyboard : public dxtest::RigTest {
    Q_OBJECT

    static void send(QWidget* w, QEvent::Type type, int key, Qt::KeyboardModifiers mods, bool repeat) {
        QKeyEvent e(type, key, mods, QString(), repeat);
        QApplication::sendEvent(w, &e);
    }

private slots:
    void keys_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("mods");
        QTest::addColumn<bool>("silent");   // the camera answers nothing
        QTest::addColumn<bool>("exact");    // else the frames begin so
        QTest::addColumn<QStringList>("frames");
        const QStringList panRight{"83:45:00:1A", "82:45:02", "82:03:04", "A0"};
        QTest::newRow("Space held on a button") << "cmdRight" << int(Qt::Key_Space) << 0 << false << true << panRight;
        QTest::newRow("arrow held") << "cmdFocusOnepush" << int(Qt::Key_Right) << 0 << false << true << panRight;
        QTest::newRow("PgUp held: up right") << "cmdEnter" << int(Qt::Key_PageUp) << 0 << false << true
                                            << QStringList{"83:45:00:1A", "83:45:03:1A", "82:45:0F", "82:03:04", "A0",
                                                           "82:03:05", "A0"};
        QTest::newRow("arrow in a text box") << "txtCamTitle" << int(Qt::Key_Right) << 0 << false << true
                                             << QStringList{};
        QTest::newRow("Space on a silent camera") << "cmdRight" << int(Qt::Key_Space) << 0 << true << true
                                                  << QStringList{"83:45:00:1A", "82:45:02"};
        QTest::newRow("Return in the preset list") << "lswPresetPosition" << int(Qt::Key_Return) << 0 << false
                                                   << false << QStringList{"83:42:00:07", "82:06:02"};
        QTest::newRow("Shift+F10 in the preset list") << "lswPresetPosition" << int(Qt::Key_F10)
                                                      << int(Qt::ShiftModifier) << false << true
                                                      << QStringList{"83:45:31:07"};
    }

    void keys() {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(int, mods);
        QFETCH(bool, silent);
        QFETCH(bool, exact);
        QFETCH(QStringList, frames);
        auto* list = rig->w<QTreeWidget>("lswPresetPosition");
        list->setCurrentItem(list->topLevelItem(7));
        QWidget* w = rig->w<QWidget>(qPrintable(focus));
        rig->win->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig->win.get()));
        w->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), w);
        if (silent) {
            rig->sim.injectFault("", dxsim::Fault::NoReply, 100);
            rig->dialogs.expectMessage("Communication error! Please check the cable.");
        }
        QString named;
        if (key == Qt::Key_F10) {
            // the pop-up says its row, then clears it
            auto* popup = rig->w<QMenu>("mnuPosPopup");
            QTimer::singleShot(0, popup, [&, popup] {
                named = popup->actions().value(0)->text();
                popup->close();
                rig->w<QAction>("pmnuClearPosition")->trigger();
            });
            rig->dialogs.expectMessage("Are you sure to reset PRISET POSITION of No.7 data to factory settings?",
                                       dxcmd::Answer::Yes);
            rig->dialogs.expectMessage("Completed!");
        }
        const auto m = Qt::KeyboardModifiers(mods);
        send(w, QEvent::KeyPress, key, m, false);
        send(w, QEvent::KeyRelease, key, m, true);  // held: the key repeats
        send(w, QEvent::KeyPress, key, m, true);
        send(w, QEvent::KeyRelease, key, m, false);
        const QStringList got = rig->frames(frames.size());
        QCOMPARE(exact ? got : got.mid(0, frames.size()), frames);
        if (key == Qt::Key_F10) QCOMPARE(named, QString("Position No.7"));
    }
};

QTEST_MAIN(TestKeyboard)
#include "test_keyboard.moc"
