#include "ConsoleValues.h"

#include "frmMain.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTreeWidget>

namespace dxconsole {

namespace {

using dxparams::InvalidValue;

template <typename T, typename Id>
T* control(const QWidget& window, Id id) {
    const std::string name(dxparams::ControlName(id));
    return need<T>(window, name.c_str());
}

QTreeWidgetItem* row(const QWidget& window, int index) {
    auto* list = need<QTreeWidget>(window, "lswPresetPosition");
    QTreeWidgetItem* item = list->topLevelItem(index);
    if (!item) throw InvalidValue::Element(index);
    return item;
}

}  // namespace

WindowValues::WindowValues(frmMain& window) : main_(window), window_(window) {}

bool WindowValues::isDX430() const { return main_.isDX430(); }

void WindowValues::selectModel(int index) {
    if (index < 0 || index > 1) throw InvalidValue::Element(index);
    main_.mnuTkc_Click(index);
}

void WindowValues::selectComPort(int index) {
    if (index < 0 || index > 3) throw InvalidValue::Element(index);
    main_.mnuCom_Click(index);
}

void WindowValues::selectDeviceType(int index) {
    if (index < 0 || index > 2) throw InvalidValue::Element(index);
    main_.mnuDeviceType_Click(index);
}

void WindowValues::refreshControlStates() { main_.RefreshControlStates(); }

void WindowValues::setSlider(dxparams::Slider s, int value) {
    auto* w = control<QSlider>(window_, s);
    if (value < w->minimum() || value > w->maximum()) throw InvalidValue::Property();
    w->setValue(value);
}

void WindowValues::setListIndex(dxparams::List l, int index) {
    auto* w = control<QComboBox>(window_, l);
    if (index < -1 || index >= w->count()) throw InvalidValue::Property();
    w->setCurrentIndex(index);
}

void WindowValues::selectOption(dxparams::OptionGroup g, int index) {
    QAbstractButton* b = control<QButtonGroup>(window_, g)->button(index);
    if (!b) throw InvalidValue::Element(index);
    b->setChecked(true);
}

void WindowValues::setCheck(dxparams::Check c, int value) {
    if (value != 0 && value != 1) throw InvalidValue::Property();
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

void WindowValues::setScannedCamera(const dxparams::ScannedCamera& c) {
    QAbstractButton* b = need<QButtonGroup>(window_, "optCamSel")->button(c.id - 1);
    if (!b) return;
    QFont font = b->font();
    font.setBold(c.answered);
    b->setFont(font);
    b->setToolTip(c.answered ? QString::fromLatin1(c.title.data(), qsizetype(c.title.size())) : QString());
}

}  // namespace dxconsole
