// Message boxes and file dialogs of the window system for the plain layers.
#pragma once

#include <QPointer>
#include <QString>
#include <memory>

#include "dxcmd/Ui.h"

class QMessageBox;
class QWidget;

namespace dxconsole {

// "Name(*.ext)|*.ext|ALL Files(*.*)|*.*|" -> "Name(*.ext);;ALL Files(*.*)"
QString QtFileFilter(const std::string& pipeFilter);

// The box that message() runs, for inspection.
std::unique_ptr<QMessageBox> BuildMessageBox(const std::string& text, const std::string& title, dxcmd::Icon icon,
                                             dxcmd::Buttons buttons, dxcmd::Answer defaultButton,
                                             QWidget* parent);

class QtDialogs : public dxcmd::IDialogs {
public:
    // Boxes are owned by `parent` when set, else by the active window.
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    dxcmd::Answer message(const std::string& text, const std::string& title, dxcmd::Icon icon,
                          dxcmd::Buttons buttons, dxcmd::Answer defaultButton) override;
    std::optional<std::string> openFile(const std::string& filter) override;
    std::optional<std::string> saveFile(const std::string& filter, const std::string& defaultExt) override;

private:
    QWidget* owner() const;
    QPointer<QWidget> parent_;
};

}  // namespace dxconsole
