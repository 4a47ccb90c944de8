// The console's values as the transfer jobs write them: each write sets the
// control itself, so its handler fires as for an operator's change.
#pragma once

#include <QWidget>

#include "ConsoleContext.h"
#include "dxtransfer/ConsoleValues.h"

namespace dxconsole {

class WindowValues final : public dxtransfer::IConsoleValues {
public:
    WindowValues(QWidget& window, IConsoleRoutines& routines) : window_(window), routines_(routines) {}

    void setSlider(dxtransfer::Slider s, int value) override;
    void setListIndex(dxtransfer::List l, int index) override;
    void selectOption(dxtransfer::OptionGroup g, int index) override;
    void setCheck(dxtransfer::Check c, int value) override;
    void setCameraTitle(const std::string& latin1) override;

    int presetRows() const override;
    std::string presetRowText(int row) const override;
    void setPresetTitle(int row, const std::string& latin1) override;
    void setPresetState(int row, const std::string& state) override;
    int selectedPresetRow() const override;

    bool isDX430() const override { return routines_.isDX430(); }

private:
    QWidget& window_;
    IConsoleRoutines& routines_;
};

}  // namespace dxconsole
