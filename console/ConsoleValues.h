// The console's values as the transfer jobs write them: each write sets the
// control itself, so its handler fires as for an operator's change.
#pragma once

#include <QWidget>

#include "ConsoleContext.h"
#include "dxparams/SettingFiles.h"

namespace dxconsole {

class frmMain;

class WindowValues final : public dxparams::ISettingConsole {
public:
    explicit WindowValues(frmMain& window);

    void selectModel(int index) override;
    void selectComPort(int index) override;
    void selectDeviceType(int index) override;
    void refreshControlStates() override;

    void setSlider(dxparams::Slider s, int value) override;
    void setListIndex(dxparams::List l, int index) override;
    void selectOption(dxparams::OptionGroup g, int index) override;
    void setCheck(dxparams::Check c, int value) override;
    void setCameraTitle(const std::string& latin1) override;

    int presetRows() const override;
    std::string presetRowText(int row) const override;
    void setPresetTitle(int row, const std::string& latin1) override;
    void setPresetState(int row, const std::string& state) override;
    int selectedPresetRow() const override;

    bool isDX430() const override;
    // an answering camera's number in bold, its title in the tooltip
    void setScannedCamera(const dxparams::ScannedCamera& c) override;

private:
    frmMain& main_;
    QWidget& window_;
};

}  // namespace dxconsole
