// The preset list with its pop-up menu, Position Call, Save Parameter, the
// camera title and the title boxes' check.
#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "ConsoleContext.h"

class QAction;
class QLineEdit;
class QMenu;
class QPoint;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace dxconsole {

class ConsoleHandlers;
class TitleBoxValidator;

class PresetHandlers : public QObject {
public:
    explicit PresetHandlers(ConsoleContext& context);

    void lswPresetPosition_Click(QTreeWidgetItem* item);
    void lswPresetPosition_RightRelease(const QPoint& globalPos);
    void pmnuEditTitle_Click();
    void pmnuPanTilt_Click();
    void pmnuPositionFunction_Click();
    void pmnuSavePosition_Click();
    void pmnuClearPosition_Click();
    void cmdPosCall_Click();
    void cmdEnter_Click();
    void cmdCmaTitleExec_Click();
    // No row marked "Selected": Save Position stores into whatever preset
    // the camera holds selected, so a mark must never outlive that.
    void forgetSelection();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs an operator action; an error inside never ends the program.
    void guarded(const std::function<void()>& action);
    int selectedRow() const;
    int positionOf(int row) const;
    std::string titleOf(int row) const;

    ConsoleContext& ctx_;
    QTreeWidget* list_;
    QMenu* popup_;
    QAction* positionNo_;  // the pop-up's first item: the row it acts on
    QPushButton* cmdPosCall_;
    QLineEdit* txtCamTitle_;
    TitleBoxValidator* camTitleCheck_;
    // set while the pop-up or the title dialog is up: no click from them loads a preset
    bool listClickGuard_ = false;
};

PresetHandlers& presetGroup(ConsoleHandlers& installed);

}  // namespace dxconsole
