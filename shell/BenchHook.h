// Start-up reports for the bench (bench/jobs): when DX410_BENCH_FD names a
// descriptor the program inherited, it writes a line "name microseconds"
// there (CLOCK_MONOTONIC) at each moment the bench asks about. Without that
// variable nothing is watched.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace dxshell {

class BenchHook : public QObject {
    Q_OBJECT
public:
    // nullptr unless DX410_BENCH_FD is a descriptor open for writing.
    static std::unique_ptr<BenchHook> FromEnvironment();
    // Takes the descriptor; -1 reports nothing.
    explicit BenchHook(int fd, bool titleLoad);
    ~BenchHook() override;

    // Reports `name` once w has painted the first time, then runs `then`.
    void watchFirstPaint(QWidget* w, std::string name, std::function<void()> then = {});
    // Reports `name` as w is shown, before its own show handling runs.
    void watchShow(QWidget* w, std::string name);
    // DX410_BENCH_TITLE_LOAD=1: the bench wants a position title load once
    // the main window is up.
    bool titleLoad() const { return titleLoad_; }
    // Writes "name <now in microseconds>".
    void report(const std::string& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Watch {
        QObject* widget;
        int event;  // QEvent::Type
        std::string name;
        std::function<void()> then;
    };
    int fd_;
    bool titleLoad_;
    std::vector<Watch> watches_;
};

}  // namespace dxshell
