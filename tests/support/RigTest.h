// A Qt Test class with a fresh main window on the simulator for each test
// function; the dialogs it shows must be exactly the expected ones.
#pragma once

#include <QApplication>
#include <QObject>
#include <QtTest>
#include <memory>

#include "ConsoleRig.h"

namespace dxtest {

class RigTest : public QObject {
    Q_OBJECT

protected:
    using Rig = ConsoleRig;
    // The rig for the next test function; a simulator of another kind, say.
    virtual std::unique_ptr<Rig> makeRig() { return std::make_unique<Rig>(); }
    // Runs once the window is up and the record of frames is empty.
    virtual void arrange() {}
    // Ends the current rig (its dialogs checked) and opens another.
    void replaceRig(std::unique_ptr<Rig> next) {
        const QStringList failures = Rig::finish(rig);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("\n")));
        rig = std::move(next);
        QVERIFY(rig->openShown());
    }

    std::unique_ptr<Rig> rig;

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() {
        rig = makeRig();
        QVERIFY(rig->openShown());
        arrange();
    }
    void cleanup() {
        const QStringList failures = Rig::finish(rig);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("\n")));
    }
};

}  // namespace dxtest
