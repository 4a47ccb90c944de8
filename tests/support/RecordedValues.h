// The console's values as code writes them, recorded, with the window's
// ranges: what a job or the setting-file loader set, in order.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "dxparams/SettingFiles.h"

namespace dxtest {

using namespace dxparams;

class RecordedValues : public dxparams::ISettingConsole {
public:
    bool dx430 = true;
    std::vector<std::string> writes;             // "sldPan=3200" in order
    std::map<std::string, std::string> value;    // the last write per control
    std::vector<std::string> titles = std::vector<std::string>(100), states = std::vector<std::string>(100, "x");
    int selected = -1;
    std::function<void(const std::string&)> afterWrite;  // e.g. to cancel at a point

    void setSlider(Slider s, int v) override {
        const auto [lo, hi] = sliderRange(s);
        put(ControlName(s), v, v >= lo && v <= hi);
    }
    void setListIndex(List l, int i) override { put(ControlName(l), i, i >= -1 && i < listSize(l)); }
    void selectOption(OptionGroup g, int i) override { put(ControlName(g), i, options(g).count(i) > 0, true); }
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
        switch (s) {
        case Slider::Pan: return {0, 6399};
        case Slider::Tilt: return {0, 6400};
        case Slider::WhiteBalanceRB:
        case Slider::WhiteBalanceMgG: return {0, 255};
        default: return {-5, 5};
        }
    }
    int listSize(List l) const {
        switch (l) {
        case List::IrisMode: return 4;
        case List::ShutterSpeed: return 7;
        case List::SenseUpSelect: return dx430 ? 7 : 2;
        case List::SenseUpPriority: return 2;
        }
        return 0;
    }
    static std::set<int> options(OptionGroup g) {
        switch (g) {
        case OptionGroup::VariablePT: return {0, 1};
        case OptionGroup::Shutter: return {0, 1, 2, 4, 5};
        case OptionGroup::BLCArea: return {0, 1, 2, 3, 4, 5, 6};
        case OptionGroup::AGC: return {0, 1, 2, 3};
        case OptionGroup::WhiteBalance: return {1, 4};
        case OptionGroup::BW: return {0, 1, 2, 3, 4, 5, 6};
        case OptionGroup::BWLevelAuto: return {0, 1, 2};
        case OptionGroup::BWLightType: return {0, 1};
        case OptionGroup::CommunicationStyle: return {0, 1};
        case OptionGroup::CamSel: {
            std::set<int> all;
            for (int i = 0; i < 32; ++i) all.insert(i);
            return all;
        }
        }
        return {};
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
