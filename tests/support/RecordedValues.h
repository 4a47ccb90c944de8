// The console's values as code writes them, recorded, with the window's
// ranges: what a job or the setting-file loader set, in order.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dxparams/SettingFiles.h"

namespace dxtest {

using namespace dxparams;

class RecordedValues : public dxparams::ISettingConsole {
public:
    bool dx430 = true;
    std::vector<std::string> writes;           // "sldPan=3200" in order
    std::map<std::string, std::string> value;  // the last write per control
    std::vector<std::string> titles = std::vector<std::string>(100), states = std::vector<std::string>(100, "x");
    int selected = -1;
    std::function<void(const std::string&)> afterWrite;  // e.g. to cancel at a point

    void setSlider(Slider s, int v) override {
        const auto [lo, hi] = sliderRange(s);
        put(ControlName(s), v, v >= lo && v <= hi);
    }
    void setListIndex(List l, int i) override { put(ControlName(l), i, i >= -1 && i < listSize(l)); }
    void selectOption(OptionGroup g, int i) override { put(ControlName(g), i, hasOption(g, i), true); }
    void setCheck(Check c, int v) override { put(ControlName(c), v, v == 0 || v == 1); }
    void setCameraTitle(const std::string& t) override { record("txtCamTitle", t); }
    int presetRows() const override { return 100; }
    std::string presetRowText(int row) const override { return row == 0 ? "00" : std::to_string(row); }
    void setPresetTitle(int row, const std::string& t) override { titles.at(size_t(row)) = t; }
    void setPresetState(int row, const std::string& s) override { states.at(size_t(row)) = s; }
    int selectedPresetRow() const override { return selected; }
    bool isDX430() const override { return dx430; }
    void selectModel(int i) override {
        put("mnuTkc", i, i == 0 || i == 1, true);
        dx430 = i == 0;
    }
    void selectComPort(int i) override { put("mnuCom", i, i >= 0 && i < 4, true); }
    void selectDeviceType(int i) override { put("mnuDeviceType", i, i >= 0 && i < 3, true); }
    void refreshControlStates() override { record("refresh", ""); }

private:
    static std::pair<int, int> sliderRange(Slider s) {
        if (s == Slider::Pan || s == Slider::Tilt) return {0, s == Slider::Pan ? 6399 : 6400};
        return s == Slider::WhiteBalanceRB || s == Slider::WhiteBalanceMgG ? std::pair{0, 255} : std::pair{-5, 5};
    }
    int listSize(List l) const {
        return l == List::IrisMode ? 4 : l == List::ShutterSpeed ? 7 : l == List::SenseUpSelect && dx430 ? 7 : 2;
    }
    static bool hasOption(OptionGroup g, int i) {
        switch (g) {
        case OptionGroup::VariablePT:
        case OptionGroup::BWLightType:
        case OptionGroup::CommunicationStyle: return i == 0 || i == 1;
        case OptionGroup::Shutter: return i >= 0 && i <= 5 && i != 3;
        case OptionGroup::BLCArea:
        case OptionGroup::BW: return i >= 0 && i <= 6;
        case OptionGroup::AGC: return i >= 0 && i <= 3;
        case OptionGroup::WhiteBalance: return i == 1 || i == 4;
        case OptionGroup::BWLevelAuto: return i >= 0 && i <= 2;
        case OptionGroup::CamSel: return i >= 0 && i < 32;
        }
        return false;
    }
    // as the window: a button or menu item that is not there, or a value out of range
    void put(std::string_view name, int v, bool ok, bool element = false) {
        if (!ok) throw element ? InvalidValue::Element(v) : InvalidValue::Property();
        record(std::string(name), std::to_string(v));
    }
    void record(const std::string& name, const std::string& v) {
        writes.push_back(name + "=" + v);
        value[name] = v;
        if (afterWrite) afterWrite(writes.back());
    }
};

}  // namespace dxtest
