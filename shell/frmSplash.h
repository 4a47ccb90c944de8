// The splash: version for two seconds, then the main window.
#pragma once

#include <QWidget>
#include <functional>

class QFrame;
class QTimer;

namespace dxshell {

class frmSplash : public QWidget {
    Q_OBJECT
public:
    // openMain runs once, by the timer, a click on the frame or a key.
    explicit frmSplash(std::function<void()> openMain, QWidget* parent = nullptr);

    void Frame1_Click();
    void Timer1_Timer();
    bool mainOpened() const { return opened_; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openMainOnce();

    std::function<void()> openMain_;
    QFrame* frame_;
    QTimer* timer_;
    bool opened_ = false;
};

}  // namespace dxshell
