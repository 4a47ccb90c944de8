#include "ConsoleValues.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTreeWidget>

namespace dxconsole {

namespace {

using dxtransfer::InvalidValue;

template <typename T, typename Id>
T* control(const QWidget& window, Id id) {
    const std::string name(dxtransfer::ControlName(id));
    return need<T>(window, name.c_str());
}

std::string describe(std::string_view name, int value) {
    return std::string(name) + " cannot take " + std::to_string(value);
}

QTreeWidgetItem* row(const QWidget& window, int index) {
    auto* list = need<QTreeWidget>(window, "lswPresetPosition");
    QTreeWidgetItem* item = list->topLevelItem(index);
    if (!item) throw InvalidValue(describe("lswPresetPosition", index));
    return item;
}

}  // namespace

void WindowValues::setSlider(dxtransfer::Slider s, int value) {
    auto* w = control<QSlider>(window_, s);
    if (value < w->minimum() || value > w->maximum()) throw InvalidValue(describe(ControlName(s), value));
    w->setValue(value);
}

void WindowValues::setListIndex(dxtransfer::List l, int index) {
    auto* w = control<QComboBox>(window_, l);
    if (index < -1 || index >= w->count()) throw InvalidValue(describe(ControlName(l), index));
    w->setCurrentIndex(index);
}

void WindowValues::selectOption(dxtransfer::OptionGroup g, int index) {
    QAbstractButton* b = control<QButtonGroup>(window_, g)->button(index);
    if (!b) throw InvalidValue(describe(ControlName(g), index));
    b->setChecked(true);
}

void WindowValues::setCheck(dxtransfer::Check c, int value) {
    if (value != 0 && value != 1) throw InvalidValue(describe(ControlName(c), value));
    control<QCheckBox>(window_, c)->setChecked(value == 1);
}

void WindowValues::setCameraTitle(const std::string& latin1) {
    need<QLineEdit>(window_, "txtCamTitle")->setText(QString::fromLatin1(latin1.data(), qsizetype(latin1.size())));
}

int WindowValues::presetRows() const { return need<QTreeWidget>(window_, "lswPresetPosition")->topLevelItemCount(); }

std::string WindowValues::presetRowText(int index) const { return row(window_, index)->text(0).toStdString(); }

void WindowValues::setPresetTitle(int index, const std::string& latin1) {
    row(window_, index)->setText(1, QString::fromLatin1(latin1.data(), qsizetype(latin1.size())));
}

void WindowValues::setPresetState(int index, const std::string& state) {
    row(window_, index)->setText(2, QString::fromStdString(state));
}

int WindowValues::selectedPresetRow() const {
    auto* list = need<QTreeWidget>(window_, "lswPresetPosition");
    const auto selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->indexOfTopLevelItem(selected.first());
}

}  // namespace dxconsole
