#include "frmMain.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "Icons.h"
#include "StatusLabels.h"
#include "ValueLabels.h"
#include "frmUPandDOWN.h"

namespace dxconsole {

namespace {

constexpr const char* kCaption = "ORN CCTV Camera  DX-410 / DX-430  Controller";
constexpr const char* kExitQuestion =
    "Are you sure to exit program? (Was a setup saved by <Save Parameter Button> or "
    "<Position Save Menu>?)";

constexpr int kSliderLength = 120;
constexpr int kPanLength = 250;   // 6400 positions
constexpr int kTiltLength = 150;  // 6401 positions on a shorter axis

template <typename W>
W* named(W* w, const QString& name, const QString& accessible) {
    w->setObjectName(name);
    w->setAccessibleName(accessible);
    return w;
}

QLabel* valueLabel(const char* name, const QString& caption) {
    auto* l = new QLabel;
    l->setObjectName(QString::fromLatin1(name));
    ShowsValueOf(l, caption);
    return l;
}

// A drop-down list beside its caption, held apart from the frame around
// them, so that a screen reader names it by its caption and not the frame.
QWidget* captionedList(QLabel* caption, const char* name) {
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    auto* list = new QComboBox;
    list->setObjectName(QString::fromLatin1(name));
    list->setAccessibleName(caption->text());
    caption->setBuddy(list);
    row->addWidget(caption);
    row->addWidget(list, 1);
    return box;
}

QLabel* caption(const QString& text, const QString& name = {}) {
    auto* l = new QLabel(text);
    l->setAccessibleName(text);
    if (!name.isEmpty()) l->setObjectName(name);
    return l;
}

QGroupBox* frame(const QString& title, const QString& name, const QString& accessible = {}) {
    return named(new QGroupBox(title), name, accessible.isEmpty() ? title : accessible);
}

QSlider* slider(const char* name, const QString& accessible, int min, int max,
                Qt::Orientation o, int small, int large, int value) {
    auto* s = named(new QSlider(o), name, accessible);
    s->setRange(min, max);
    s->setSingleStep(small);
    s->setPageStep(large);
    s->setValue(value);
    // one value change per operator action, not one per drag step
    s->setTracking(false);
    // room to pick a value with the mouse; the position sliders get more
    if (o == Qt::Horizontal)
        s->setMinimumWidth(kSliderLength);
    else
        s->setMinimumHeight(kSliderLength);
    return s;
}

QToolButton* moveButton(const char* name, const QString& accessible, Glyph g) {
    auto* b = named(new QToolButton, name, accessible);
    b->setIcon(PaintedIcon(g, 18));
    b->setIconSize(QSize(18, 18));
    b->setToolTip(accessible);
    b->setAutoRepeat(false);
    b->setFixedSize(26, 26);
    return b;
}

QPushButton* button(const char* name, const QString& text, const QString& accessible = {}) {
    QString a = accessible;
    if (a.isEmpty()) a = QString(text).remove(QLatin1Char('&'));
    return named(new QPushButton(text), name, a);
}

// Option-button array: a group owned by the window, ids = the array's indexes.
class Options {
public:
    Options(QWidget* window, const char* name, bool exclusive = true)
        : name_(QString::fromLatin1(name)), group_(new QButtonGroup(window)) {
        group_->setObjectName(name_);
        group_->setExclusive(exclusive);
    }
    QRadioButton* add(int id, const QString& text, const QString& accessible = {}) {
        auto* b = new QRadioButton(text);
        b->setObjectName(name_ + QLatin1Char('_') + QString::number(id));
        b->setAccessibleName(accessible.isEmpty() ? QString(text).remove(QLatin1Char('&')) : accessible);
        group_->addButton(b, id);
        return b;
    }
    QButtonGroup* group() const { return group_; }

private:
    QString name_;
    QButtonGroup* group_;
};

// A slider with its end labels in one row, optionally led by a caption.
QHBoxLayout* sliderRow(QLabel* lead, QLabel* minLabel, QSlider* s, QLabel* maxLabel) {
    auto* row = new QHBoxLayout;
    row->setSpacing(3);
    if (lead) row->addWidget(lead);
    row->addWidget(minLabel);
    row->addWidget(s, 1);
    row->addWidget(maxLabel);
    return row;
}

// A slider row in a grid whose rows line up: caption, low end, slider, high
// end. The wider gap after the caption keeps "Colour" and "- 5" apart.
void levelRow(QGridLayout* grid, int row, QLabel* lead, QLabel* minLabel, QSlider* s, QLabel* maxLabel) {
    grid->setHorizontalSpacing(3);
    grid->addWidget(lead, row, 0);
    grid->setColumnMinimumWidth(1, 8);
    grid->addWidget(minLabel, row, 2, Qt::AlignRight);
    grid->addWidget(s, row, 3);
    grid->addWidget(maxLabel, row, 4);
    grid->setColumnStretch(3, 1);
}

void tighten(QLayout* l) {
    l->setContentsMargins(6, 4, 6, 4);
    l->setSpacing(3);
}

}  // namespace

frmMain::frmMain(ConsoleDeps deps, QWidget* parent) : QMainWindow(parent), deps_(std::move(deps)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setAccessibleName(QString::fromLatin1(kCaption));
    buildMenus();
    buildControls();
    lblCommand_ = need<QLabel>(*this, "lblCommand");
    lblAckResult_ = need<QLabel>(*this, "lblACKResult");
    lblPortStatus_ = need<QLabel>(*this, "lblPortStatus");
    for (QLabel* l : {lblCommand_, lblAckResult_}) {
        SelectableUnderMouse(l);
        HoldOutOfLayout(l);
    }
    commands_ = std::make_unique<dxcmd::CommandLayer>(*deps_.state, *this, *deps_.dialogs,
                                                      deps_.linkFactory);
    values_ = std::make_unique<WindowValues>(*this);
    context_ = std::make_unique<ConsoleContext>(
        ConsoleContext{*this, *commands_, *deps_.state, console_, *this, *values_});
    connectOwnHandlers();
    handlers_ = InstallHandlers(*context_);
}

frmMain::~frmMain() {
    setBusyPointer(false);
}

void frmMain::buildMenus() {
    auto* bar = menuBar();
    bar->setObjectName(QStringLiteral("mnuBar"));

    auto addItem = [this](QMenu* menu, const QString& name, const QString& text) {
        auto* a = menu->addAction(text);
        a->setObjectName(name);
        return a;
    };
    auto addChecked = [&](QMenu* menu, const char* array, int index, const QString& text) {
        auto* a = addItem(menu, QString::fromLatin1(array) + QLatin1Char('_') + QString::number(index), text);
        a->setCheckable(true);
        return a;
    };

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    addItem(file, QStringLiteral("mnuConnect"), QStringLiteral("&Connect"));
    addItem(file, QStringLiteral("mnuSaveChanges"), QStringLiteral("Save Changes..."));
    addItem(file, QStringLiteral("mnuLoadSettingFile"), QStringLiteral("&Load Setting File"))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    addItem(file, QStringLiteral("mnuSaveAs"), QStringLiteral("Save S&etting File as..."))
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    file->addSeparator();
    addItem(file, QStringLiteral("mnuExit"), QStringLiteral("&Exit"))->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* option = bar->addMenu(QStringLiteral("&Option"));
    option->setObjectName(QStringLiteral("mnuOption"));
    QMenu* model = option->addMenu(QStringLiteral("&Model"));
    model->setObjectName(QStringLiteral("mnuModel"));
    addChecked(model, "mnuTkc", 0, QStringLiteral("DX-430"))->setChecked(true);
    addChecked(model, "mnuTkc", 1, QStringLiteral("DX-410"));
    QMenu* port = option->addMenu(QStringLiteral("Comm &Port"));
    port->setObjectName(QStringLiteral("mnuCommPort"));
    for (int i = 0; i < 4; ++i) addChecked(port, "mnuCom", i, QStringLiteral("COM&%1").arg(i + 1));
    QMenu* iface = option->addMenu(QStringLiteral("&Interface"));
    iface->setObjectName(QStringLiteral("mnuInterface"));
    addChecked(iface, "mnuDeviceType", 0, QStringLiteral("RS422A"));
    addChecked(iface, "mnuDeviceType", 1, QStringLiteral("RS485"));
    // reachable only through a setting file
    addChecked(iface, "mnuDeviceType", 2, QStringLiteral("RS232C"))->setVisible(false);
    option->addSeparator();
    addItem(option, QStringLiteral("mnuScanLine"), QStringLiteral("Scan Line..."));

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    addItem(help, QStringLiteral("mnuAbout"), QStringLiteral("&About..."))->setShortcut(QKeySequence(Qt::Key_F1));

    auto* log = bar->addAction(QStringLiteral("Log"));
    log->setObjectName(QStringLiteral("mnuLog"));
    log->setEnabled(false);
    log->setVisible(false);

    // the preset list's pop-up
    auto* popup = new QMenu(QStringLiteral("Position Popup"), this);
    popup->setObjectName(QStringLiteral("mnuPosPopup"));
    // names the row the pop-up acts on; set as it opens
    addItem(popup, QStringLiteral("pmnuPositionNo"), QStringLiteral("No position selected"))->setEnabled(false);
    addItem(popup, QStringLiteral("pmnuEditTitle"), QStringLiteral("Edit Position Title..."));
    addItem(popup, QStringLiteral("pmnuPanTilt"), QStringLiteral("Jump Position Pan/Tilt/Lens"));
    addItem(popup, QStringLiteral("pmnuPositionFunction"), QStringLiteral("Jump Position Function"));
    popup->addSeparator();
    addItem(popup, QStringLiteral("pmnuSavePosition"), QStringLiteral("Save Position..."));
    popup->addSeparator();
    addItem(popup, QStringLiteral("pmnuClearPosition"), QStringLiteral("Clear Position..."));

    bar->setAccessibleName(QStringLiteral("Menu"));
    for (auto* m : findChildren<QMenu*>()) m->setAccessibleName(m->title().remove(QLatin1Char('&')));
}

void frmMain::buildControls() {
    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("frmMainClient"));
    central->setAccessibleName(QStringLiteral("Console"));
    auto* root = new QVBoxLayout(central);
    root->setContentsMargins(4, 2, 4, 2);
    root->setSpacing(3);

    // ---- upper part: selection and presets beside the tabs
    auto* upper = new QHBoxLayout;
    upper->setSpacing(4);
    root->addLayout(upper, 1);

    auto* left = new QVBoxLayout;
    left->setSpacing(3);
    upper->addLayout(left);

    auto* fraSelect = frame(QStringLiteral("Select"), QStringLiteral("fraSelect"));
    auto* sg = new QGridLayout(fraSelect);
    tighten(sg);
    sg->addWidget(caption(QStringLiteral("Model")), 0, 0);
    sg->addWidget(caption(QStringLiteral("Comm Port")), 1, 0);
    sg->addWidget(caption(QStringLiteral("Interface")), 2, 0);
    auto* lblModel = valueLabel("lblModel", QStringLiteral("Model"));
    auto* lblCom = valueLabel("lblCom", QStringLiteral("Comm Port"));
    auto* lblInterface = valueLabel("lblInterface", QStringLiteral("Interface"));
    for (auto* l : {lblModel, lblCom, lblInterface}) {
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setTextFormat(Qt::PlainText);
    }
    // the port as its menu shows it, mnemonic underlined
    lblCom->setTextFormat(Qt::RichText);
    sg->addWidget(lblModel, 0, 1);
    sg->addWidget(lblCom, 1, 1);
    sg->addWidget(lblInterface, 2, 1);
    sg->setColumnStretch(1, 1);
    left->addWidget(fraSelect);

    auto* fraPreset = frame(QStringLiteral("Preset Positions"), QStringLiteral("fraPresetPosition"));
    auto* pl = new QVBoxLayout(fraPreset);
    tighten(pl);
    auto* lsw = named(new QTreeWidget, QStringLiteral("lswPresetPosition"), QStringLiteral("Preset Positions"));
    lsw->setColumnCount(3);
    lsw->setHeaderLabels({QStringLiteral("No."), QStringLiteral("Position Title"), QStringLiteral("State")});
    lsw->setRootIsDecorated(false);
    lsw->setUniformRowHeights(true);
    lsw->setAllColumnsShowFocus(true);
    lsw->setMinimumSize(200, 100);
    lsw->setContextMenuPolicy(Qt::NoContextMenu);
    pl->addWidget(lsw, 1);
    auto* presetButtons = new QHBoxLayout;
    auto* cmdPosCall = button("cmdPosCall", QStringLiteral("Position Call"));
    auto* cmdEnter = button("cmdEnter", QStringLiteral("Save Parameter"));
    presetButtons->addWidget(cmdPosCall);
    presetButtons->addWidget(cmdEnter);
    pl->addLayout(presetButtons);
    left->addWidget(fraPreset, 1);

    auto* tab = named(new QTabWidget, QStringLiteral("tabCameraCtrl"), QStringLiteral("Camera Control"));
    upper->addWidget(tab, 1);

    // ---- page 0: move, lens, auto, variable P/T
    // The move frame takes the page's height (the tilt slider runs along it)
    // and the width the lens column leaves (the pan slider runs along that).
    {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("tabCameraCtrlPage0"));
        auto* g = new QGridLayout(page);
        tighten(g);

        auto* fraMove = frame(QStringLiteral("Camera Menu  and  Move"), QStringLiteral("fraMove"));
        auto* mg = new QGridLayout(fraMove);
        tighten(mg);
        auto* pad = new QGridLayout;
        pad->setSpacing(2);
        pad->addWidget(moveButton("cmdUpLeft", QStringLiteral("Up Left"), Glyph::UpLeft), 0, 0);
        pad->addWidget(moveButton("cmdUp", QStringLiteral("Up"), Glyph::Up), 0, 1);
        pad->addWidget(moveButton("cmdUpRight", QStringLiteral("Up Right"), Glyph::UpRight), 0, 2);
        pad->addWidget(moveButton("cmdLeft", QStringLiteral("Left"), Glyph::Left), 1, 0);
        pad->addWidget(moveButton("cmdRight", QStringLiteral("Right"), Glyph::Right), 1, 2);
        pad->addWidget(moveButton("cmdDownLeft", QStringLiteral("Down Left"), Glyph::DownLeft), 2, 0);
        pad->addWidget(moveButton("cmdDown", QStringLiteral("Down"), Glyph::Down), 2, 1);
        pad->addWidget(moveButton("cmdDownRight", QStringLiteral("Down Right"), Glyph::DownRight), 2, 2);
        mg->addLayout(pad, 0, 0, Qt::AlignLeft | Qt::AlignTop);
        auto* keys = new QVBoxLayout;
        keys->addWidget(button("cmdMenu", QStringLiteral("Camera Menu")));
        keys->addWidget(button("cmdSet", QStringLiteral("Set")));
        keys->addStretch();
        mg->addLayout(keys, 0, 1);
        mg->addLayout(sliderRow(nullptr, caption(QStringLiteral("Slow"), QStringLiteral("lblPTSpeedMin")),
                                slider("sldPTSpeed", QStringLiteral("Pan/Tilt Speed"), 0, 7, Qt::Horizontal, 1, 1, 5),
                                caption(QStringLiteral("Fast"), QStringLiteral("lblPTSpeedMax"))),
                      1, 0, 1, 2);
        auto* tilt = new QVBoxLayout;
        tilt->setSpacing(1);
        tilt->addWidget(caption(QStringLiteral("TILT")), 0, Qt::AlignHCenter);
        tilt->addWidget(caption(QStringLiteral("0"), QStringLiteral("lblTiltMin")), 0, Qt::AlignHCenter);
        auto* sldTilt = slider("sldTilt", QStringLiteral("TILT"), 0, 6400, Qt::Vertical, 1, 45, 1600);
        // 0 at the top, where its label is, and the keys follow the handle
        sldTilt->setMinimumHeight(kTiltLength);
        sldTilt->setInvertedAppearance(true);
        sldTilt->setInvertedControls(true);
        tilt->addWidget(sldTilt, 1, Qt::AlignHCenter);
        tilt->addWidget(caption(QStringLiteral("180"), QStringLiteral("lblTiltMax")), 0, Qt::AlignHCenter);
        mg->addLayout(tilt, 0, 2, 3, 1);
        mg->setRowStretch(2, 1);
        mg->setColumnStretch(1, 1);
        // the pan slider below everything and across the frame; its end
        // labels under its ends, a row away from the tilt slider's
        auto* pan = new QGridLayout;
        pan->setHorizontalSpacing(3);
        pan->setVerticalSpacing(0);
        pan->addWidget(caption(QStringLiteral("PAN")), 0, 0);
        auto* sldPan = slider("sldPan", QStringLiteral("PAN"), 0, 6399, Qt::Horizontal, 1, 45, 3200);
        sldPan->setMinimumWidth(kPanLength);
        pan->addWidget(sldPan, 0, 1, 1, 2);
        pan->addWidget(caption(QStringLiteral("-180"), QStringLiteral("lblPanMin")), 1, 1, Qt::AlignLeft);
        pan->addWidget(caption(QStringLiteral("180"), QStringLiteral("lblPanMax")), 1, 2, Qt::AlignRight);
        pan->setColumnStretch(1, 1);
        pan->setColumnStretch(2, 1);
        mg->addLayout(pan, 3, 0, 1, 3);
        g->addWidget(fraMove, 0, 0, 4, 1);

        // the lens column: each pair of buttons over its speed slider
        auto* fraLens = frame(QStringLiteral("Lens"), QStringLiteral("fraLens"));
        auto* lg = new QGridLayout(fraLens);
        tighten(lg);
        auto lensRows = [lg](int row, QToolButton* a, const QString& aText, const char* name, const QString& accessible,
                             int value, const QString& lo, const QString& hi, const QString& bText, QToolButton* b) {
            const QString base = QString::fromLatin1(name).mid(3);  // without "sld"
            lg->addWidget(a, row, 0);
            lg->addWidget(caption(aText), row, 1);
            lg->addWidget(caption(bText), row, 3, Qt::AlignRight);
            lg->addWidget(b, row, 4);
            lg->addLayout(sliderRow(nullptr, caption(lo, QStringLiteral("lbl") + base + QStringLiteral("Min")),
                                    slider(name, accessible, 0, 3, Qt::Horizontal, 1, 1, value),
                                    caption(hi, QStringLiteral("lbl") + base + QStringLiteral("Max"))),
                          row + 1, 0, 1, 5);
        };
        lensRows(0, moveButton("cmdZoomWide", QStringLiteral("Zoom Wide"), Glyph::ZoomWide), QStringLiteral("Wide"),
                 "sldZoomSpeed", QStringLiteral("Zoom Speed"), 2, QStringLiteral("Slow"), QStringLiteral("Fast"),
                 QStringLiteral("Tele"), moveButton("cmdZoomTele", QStringLiteral("Zoom Tele"), Glyph::ZoomTele));
        lensRows(2, moveButton("cmdFocusNear", QStringLiteral("Focus Near"), Glyph::FocusNear), QStringLiteral("Near"),
                 "sldFocusSpeed", QStringLiteral("Focus Speed"), 1, QStringLiteral("Fast"), QStringLiteral("Slow"),
                 QStringLiteral("Far"), moveButton("cmdFocusFar", QStringLiteral("Focus Far"), Glyph::FocusFar));
        lg->addWidget(moveButton("cmdIrisClose", QStringLiteral("Iris Close"), Glyph::IrisClose), 4, 0);
        lg->addWidget(captionedList(caption(QStringLiteral("Iris")), "cboIrisMode"), 4, 1, 1, 3);
        lg->addWidget(moveButton("cmdIrisOpen", QStringLiteral("Iris Open"), Glyph::IrisOpen), 4, 4);
        auto* af = new QHBoxLayout;
        af->addWidget(button("cmdFocusOnepush", QStringLiteral("&One push")));
        af->addWidget(named(new QCheckBox(QStringLiteral("Easy AF    Off")), QStringLiteral("chkFocusEasy"),
                            QStringLiteral("Easy AF")));
        af->addStretch();
        lg->addLayout(af, 5, 0, 1, 5);
        lg->setColumnStretch(2, 1);
        g->addWidget(fraLens, 0, 1);

        auto* fraAuto = frame(QStringLiteral("Auto"), QStringLiteral("fraAuto"));
        auto* ag = new QGridLayout(fraAuto);
        tighten(ag);
        Options optAuto(this, "optAuto");
        ag->addWidget(optAuto.add(0, QStringLiteral("Auto Off")), 0, 0);
        ag->addWidget(optAuto.add(1, QStringLiteral("Auto Pan")), 0, 1);
        ag->addWidget(optAuto.add(2, QStringLiteral("Auto Patrol")), 1, 0);
        ag->addWidget(optAuto.add(3, QStringLiteral("Auto Trace")), 1, 1);
        optAuto.group()->button(0)->setChecked(true);
        g->addWidget(fraAuto, 1, 1);

        auto* fraVariablePT = frame(QStringLiteral("Variable P/T"), QStringLiteral("fraVariablePT"));
        auto* vg = new QHBoxLayout(fraVariablePT);
        tighten(vg);
        Options optVariablePT(this, "optVariablePT");
        vg->addWidget(optVariablePT.add(1, QStringLiteral("On")));
        vg->addWidget(optVariablePT.add(0, QStringLiteral("Off")));
        vg->addStretch();
        optVariablePT.group()->button(1)->setChecked(true);
        g->addWidget(fraVariablePT, 2, 1);
        g->setRowStretch(3, 1);
        g->setColumnStretch(0, 1);
        tab->addTab(page, QStringLiteral("Preset/Pan/Tilt"));
    }

    // ---- page 1: shutter, sense up, AGC, levels, white balance, BLC
    // Two columns, so that every slider row has the room of half the page.
    {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("tabCameraCtrlPage1"));
        auto* g = new QGridLayout(page);
        tighten(g);

        auto* fraShutter = frame(QStringLiteral("Shutter"), QStringLiteral("fraShutter"));
        auto* shg = new QGridLayout(fraShutter);
        tighten(shg);
        Options optShutter(this, "optShutter");
        shg->addWidget(optShutter.add(0, QStringLiteral("Normal (1/50 or 1/60)")), 0, 0, 1, 2);
        shg->addWidget(optShutter.add(1, QStringLiteral("Manual")), 1, 0);
        shg->addWidget(optShutter.add(2, QStringLiteral("ExDR")), 1, 1);
        shg->addWidget(optShutter.add(4, QStringLiteral("M.ExDR")), 2, 0);
        shg->addWidget(optShutter.add(5, QStringLiteral("Auto(AES)")), 2, 1);
        optShutter.group()->button(0)->setChecked(true);
        shg->addWidget(captionedList(caption(QStringLiteral("Speed"), QStringLiteral("lblShutterSpeed")), "cboShutterSpeed"),
                       3, 0, 1, 2);
        auto* level = new QGridLayout;
        levelRow(level, 0, caption(QStringLiteral("Level"), QStringLiteral("lblExDRLevel")),
                 caption(QStringLiteral("- 5"), QStringLiteral("lblExDRLevelMin")),
                 slider("sldShutterExDRLevel", QStringLiteral("ExDR Level"), -5, 5, Qt::Horizontal, 1, 1, 0),
                 caption(QStringLiteral("+ 5"), QStringLiteral("lblExDRLevelMax")));
        shg->addLayout(level, 4, 0, 1, 2);
        g->addWidget(fraShutter, 0, 0);

        auto* fraSenseUp = frame(QStringLiteral("Sense up"), QStringLiteral("fraSenseUp"));
        auto* sug = new QVBoxLayout(fraSenseUp);
        tighten(sug);
        sug->addWidget(captionedList(caption(QStringLiteral("Sense up"), QStringLiteral("lblSenseUpSelect")),
                                     "cboSenseUpSelect"));
        sug->addWidget(captionedList(caption(QStringLiteral("Priority"), QStringLiteral("lblSenseUpPriority")),
                                     "cboSenseUpPriority"));
        g->addWidget(fraSenseUp, 1, 0);

        auto* fraAGC = frame(QStringLiteral("AGC"), QStringLiteral("fraAGC"));
        auto* agg = new QGridLayout(fraAGC);
        tighten(agg);
        Options optAGC(this, "optAGC");
        agg->addWidget(optAGC.add(0, QStringLiteral("Off")), 0, 0);
        agg->addWidget(optAGC.add(1, QStringLiteral("10dB")), 0, 1);
        agg->addWidget(optAGC.add(2, QStringLiteral("20dB")), 1, 0);
        agg->addWidget(optAGC.add(3, QStringLiteral("Super")), 1, 1);
        optAGC.group()->button(1)->setChecked(true);
        g->addWidget(fraAGC, 2, 0);

        auto* fraLevel = frame(QStringLiteral("Level Adjustment"), QStringLiteral("fraLevelAdj"));
        auto* lvg = new QVBoxLayout(fraLevel);
        tighten(lvg);
        auto* levels = new QGridLayout;
        int levelIndex = 0;
        auto addLevel = [&](const char* name, const QString& text) {
            const QString base = QString::fromLatin1(name).mid(3);
            levelRow(levels, levelIndex++, caption(text), caption(QStringLiteral("- 5"), QStringLiteral("lbl") + base + QStringLiteral("Min")),
                     slider(name, text, -5, 5, Qt::Horizontal, 1, 1, 0),
                     caption(QStringLiteral("+ 5"), QStringLiteral("lbl") + base + QStringLiteral("Max")));
        };
        addLevel("sldLevelAdjColour", QStringLiteral("Colour"));
        addLevel("sldLevelAdjEnhance", QStringLiteral("Enhance"));
        addLevel("sldLevelAdjPedestal", QStringLiteral("Pedestal"));
        lvg->addLayout(levels);
        lvg->addWidget(named(new QCheckBox(QStringLiteral("Auto Black  Off")), QStringLiteral("chkAutoBlack"),
                             QStringLiteral("Auto Black")));
        lvg->addStretch();
        g->addWidget(fraLevel, 0, 1);

        auto* fraPosition = frame(QStringLiteral("Position Parameter"), QStringLiteral("fraPositionParameter"));
        auto* ppg = new QVBoxLayout(fraPosition);
        tighten(ppg);
        auto* fraWB = frame(QStringLiteral("White Balance"), QStringLiteral("fraWhiteBalance"));
        auto* wbg = new QVBoxLayout(fraWB);
        tighten(wbg);
        Options optWhiteBalance(this, "optWhiteBalance");
        auto* wbModes = new QHBoxLayout;
        wbModes->addWidget(optWhiteBalance.add(1, QStringLiteral("ATW")));
        wbModes->addWidget(optWhiteBalance.add(4, QStringLiteral("AWC")));
        wbModes->addStretch();
        optWhiteBalance.group()->button(1)->setChecked(true);
        wbg->addLayout(wbModes);
        auto* wbLevels = new QGridLayout;
        levelRow(wbLevels, 0, caption(QStringLiteral("R:B"), QStringLiteral("lblWhiteBalanceRB")),
                 caption(QStringLiteral("R"), QStringLiteral("lblWhiteBalanceRBMin")),
                 slider("sldWhiteBalanceRB", QStringLiteral("R:B"), 0, 255, Qt::Horizontal, 1, 16, 95),
                 caption(QStringLiteral("B"), QStringLiteral("lblWhiteBalanceRBMax")));
        levelRow(wbLevels, 1, caption(QStringLiteral("Mg:G"), QStringLiteral("lblWhiteBalanceMgG")),
                 caption(QStringLiteral("Mg"), QStringLiteral("lblWhiteBalanceMgGMin")),
                 slider("sldWhiteBalanceMgG", QStringLiteral("Mg:G"), 0, 255, Qt::Horizontal, 1, 16, 63),
                 caption(QStringLiteral("G"), QStringLiteral("lblWhiteBalanceMgGMax")));
        wbg->addLayout(wbLevels);
        ppg->addWidget(fraWB);
        auto* fraBLC = frame(QStringLiteral("BLC  Area"), QStringLiteral("fraBLCArea"));
        auto* blg = new QGridLayout(fraBLC);
        tighten(blg);
        Options optBLCArea(this, "optBLCArea");
        blg->addWidget(optBLCArea.add(0, QStringLiteral("OFF")), 0, 0, 2, 1);
        for (int i = 1; i <= 6; ++i)
            blg->addWidget(optBLCArea.add(i, QString(), QStringLiteral("BLC Area %1").arg(i)), (i - 1) / 3,
                           1 + (i - 1) % 3);
        blg->setColumnStretch(4, 1);
        optBLCArea.group()->button(0)->setChecked(true);
        ppg->addWidget(fraBLC);
        g->addWidget(fraPosition, 1, 1, 2, 1);
        g->setRowStretch(3, 1);
        g->setColumnStretch(0, 1);
        g->setColumnStretch(1, 1);
        tab->addTab(page, QStringLiteral("Video Settings/ALC"));
    }

    // ---- page 2: black-and-white mode
    {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("tabCameraCtrlPage2"));
        auto* g = new QVBoxLayout(page);
        tighten(g);
        // "&&" so that the ampersand shows instead of marking a shortcut
        auto* fraBW = frame(QStringLiteral("B&&W"), QStringLiteral("fraBW"), QStringLiteral("B&W"));
        auto* bg = new QGridLayout(fraBW);
        tighten(bg);
        Options optBW(this, "optBW");
        const char* bw[] = {"Off", "On", "Auto", "Alarm1", "Alarm2", "Alarm3", "Alarm4"};
        for (int i = 0; i < 7; ++i) bg->addWidget(optBW.add(i, QString::fromLatin1(bw[i])), i % 4, i / 4);
        optBW.group()->button(0)->setChecked(true);
        auto* fraLevelAuto = frame(QStringLiteral("Level at Auto"), QStringLiteral("fraBWLevelAuto"));
        auto* lag = new QVBoxLayout(fraLevelAuto);
        tighten(lag);
        Options optBWLevelAuto(this, "optBWLevelAuto");
        lag->addWidget(optBWLevelAuto.add(0, QStringLiteral("Low")));
        lag->addWidget(optBWLevelAuto.add(1, QStringLiteral("Normal")));
        lag->addWidget(optBWLevelAuto.add(2, QStringLiteral("High")));
        optBWLevelAuto.group()->button(1)->setChecked(true);
        bg->addWidget(fraLevelAuto, 0, 2, 4, 1);
        auto* fraLight = frame(QStringLiteral("Light Type"), QStringLiteral("fraBWLightType"));
        auto* ltg = new QVBoxLayout(fraLight);
        tighten(ltg);
        Options optBWLightType(this, "optBWLightType");
        ltg->addWidget(optBWLightType.add(0, QStringLiteral("Normal")));
        ltg->addWidget(optBWLightType.add(1, QStringLiteral("IR")));
        ltg->addStretch();
        optBWLightType.group()->button(0)->setChecked(true);
        bg->addWidget(fraLight, 0, 3, 4, 1);
        g->addWidget(fraBW);
        g->addStretch();
        tab->addTab(page, QStringLiteral("IR/SW"));
    }

    // ---- page 3: factory settings and memory dump
    {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("tabCameraCtrlPage3"));
        auto* g = new QHBoxLayout(page);
        tighten(g);
        auto* fraFactory = frame(QStringLiteral("Factry Settings"), QStringLiteral("fraFactorySettings"));
        auto* fg = new QVBoxLayout(fraFactory);
        tighten(fg);
        Options optFactory(this, "optFactorySettings");
        fg->addWidget(optFactory.add(0, QStringLiteral("No")));
        fg->addWidget(optFactory.add(1, QStringLiteral("All")));
        fg->addWidget(optFactory.add(2, QStringLiteral("All without Title and Priset Position")));
        optFactory.group()->button(0)->setChecked(true);
        auto* exec = button("cmdExecLoadFactorySettings", QStringLiteral("Excecute"));
        exec->setEnabled(false);
        fg->addWidget(exec, 0, Qt::AlignLeft);
        fg->addStretch();
        g->addWidget(fraFactory, 0, Qt::AlignTop);
        auto* fraDump = frame(QStringLiteral("DUMP64"), QStringLiteral("fraDump64"));
        auto* dg = new QVBoxLayout(fraDump);
        tighten(dg);
        auto* down = button("cmdExecDownload", QStringLiteral("Download"));
        auto* up = button("cmdExecUpload", QStringLiteral("Upload"));
        dg->addWidget(down);
        dg->addWidget(up);
        dg->addStretch();
        g->addWidget(fraDump, 0, Qt::AlignTop);
        g->addStretch();
        tab->addTab(page, QStringLiteral("Memory/Function"));
    }

    // ---- lower part: communication style and camera number
    auto* lower = new QHBoxLayout;
    lower->setSpacing(4);
    root->addLayout(lower);
    auto* fraStyle = frame(QStringLiteral("Communication Style"), QStringLiteral("fraCommunicationStyle"));
    auto* stl = new QVBoxLayout(fraStyle);
    tighten(stl);
    Options optStyle(this, "optCommunicationStyle");
    stl->addWidget(optStyle.add(0, QStringLiteral("P to P")));
    stl->addWidget(optStyle.add(1, QStringLiteral("Multi Drop")));
    optStyle.group()->button(0)->setChecked(true);
    lower->addWidget(fraStyle);
    auto* fraCamSel = frame(QStringLiteral("Camera No."), QStringLiteral("fraCamSel"));
    auto* cg = new QGridLayout(fraCamSel);
    tighten(cg);
    cg->setHorizontalSpacing(2);
    cg->setVerticalSpacing(0);
    Options optCamSel(this, "optCamSel");
    for (int i = 0; i < 32; ++i)
        cg->addWidget(optCamSel.add(i, QString::number(i + 1), QStringLiteral("Camera %1").arg(i + 1)), i / 8, i % 8);
    lower->addWidget(fraCamSel);

    // ---- titles
    auto* titles = new QVBoxLayout;
    titles->setSpacing(3);
    lower->addLayout(titles, 1);
    auto* fraCamTitle = frame(QStringLiteral("Camera Title"), QStringLiteral("fraCamTitle"));
    auto* ctl = new QHBoxLayout(fraCamTitle);
    tighten(ctl);
    auto* txtCam = named(new QLineEdit, QStringLiteral("txtCamTitle"), QStringLiteral("Camera Title"));
    txtCam->setMaxLength(24);
    ctl->addWidget(txtCam, 1);
    auto* exec = button("cmdCmaTitleExec", QStringLiteral("Execute"), QStringLiteral("Execute Camera Title"));
    ctl->addWidget(exec);
    titles->addWidget(fraCamTitle);
    auto* fraAreaTitle = frame(QStringLiteral("Area Title"), QStringLiteral("fraAreaTitle"));
    auto* atl = new QHBoxLayout(fraAreaTitle);
    tighten(atl);
    auto* txtArea = named(new QLineEdit(QString(16, QLatin1Char('W'))), QStringLiteral("txtAreaTitle"),
                          QStringLiteral("Area Title"));
    txtArea->setMaxLength(24);
    atl->addWidget(txtArea, 1);
    titles->addWidget(fraAreaTitle);
    titles->addStretch();

    auto* outcome = new QHBoxLayout;
    outcome->setSpacing(4);
    root->addLayout(outcome);
    auto* lblCommand = valueLabel("lblCommand", QStringLiteral("Command"));
    auto* lblAck = valueLabel("lblACKResult", QStringLiteral("ACK Result"));
    for (auto* l : {lblCommand, lblAck}) {
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setTextFormat(Qt::PlainText);
        // a long error text must not grow the window past the screen
        l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        l->setFixedHeight(l->fontMetrics().height() + 4);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    outcome->addWidget(lblCommand, 1);
    outcome->addWidget(lblAck, 1);

    for (int i = 0; i < tab->count(); ++i) tab->widget(i)->setAccessibleName(tab->tabText(i));
    setCentralWidget(central);

    auto* status = statusBar();
    status->setObjectName(QStringLiteral("sbrPort"));
    status->setAccessibleName(QStringLiteral("Port status"));
    status->setSizeGripEnabled(false);
    auto* portStatus = new MiddleElidedLabel;
    portStatus->setObjectName(QStringLiteral("lblPortStatus"));
    ShowsValueOf(portStatus, QStringLiteral("Port status"));
    portStatus->setTextFormat(Qt::PlainText);
    portStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    status->addWidget(portStatus, 1);
    // the addressed camera stays in view, whatever the camera-number buttons show
    auto* addressed = valueLabel("lblAddressedCamera", QStringLiteral("Addressed camera"));
    addressed->setTextFormat(Qt::PlainText);
    addressed->setContentsMargins(0, 0, 6, 0);  // clear of the window's edge
    status->addPermanentWidget(addressed);
}

void frmMain::connectOwnHandlers() {
    for (int i = 0; i < 2; ++i)
        connect(need<QAction>(*this, qPrintable(QStringLiteral("mnuTkc_%1").arg(i))), &QAction::triggered, this,
                [this, i] { mnuTkc_Click(i); });
    for (int i = 0; i < 4; ++i)
        connect(need<QAction>(*this, qPrintable(QStringLiteral("mnuCom_%1").arg(i))), &QAction::triggered, this,
                [this, i] { mnuCom_Click(i); });
    for (int i = 0; i < 3; ++i)
        connect(need<QAction>(*this, qPrintable(QStringLiteral("mnuDeviceType_%1").arg(i))), &QAction::triggered,
                this, [this, i] { mnuDeviceType_Click(i); });
    connect(group("optCommunicationStyle"), &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on) optCommunicationStyle_Click(id);
    });
    connect(group("optCamSel"), &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on) optCamSel_Click(id);
    });
    connect(need<QAction>(*this, "mnuExit"), &QAction::triggered, this, &QWidget::close);
    connect(need<QAction>(*this, "mnuConnect"), &QAction::triggered, this, [this] { mnuConnect_Click(); });
    connect(need<QAction>(*this, "mnuScanLine"), &QAction::triggered, this,
            [this] { RunTransferJob(dxtransfer::kLineScan); });
    connect(need<QAction>(*this, "mnuLog"), &QAction::triggered, this, [this] {
        if (deps_.log) deps_.log->open();
    });
    connect(need<QAction>(*this, "mnuAbout"), &QAction::triggered, this, [this] {
        if (deps_.showAbout) deps_.showAbout(this);
    });
}

QButtonGroup* frmMain::group(const char* name) const {
    return need<QButtonGroup>(*this, name);
}

bool frmMain::load() {
    auto& st = *deps_.state;
    auto* log = need<QAction>(*this, "mnuLog");
    log->setEnabled(deps_.diagnostic);
    log->setVisible(deps_.diagnostic);
    dxcmd::ResetProgramState(st);
    st.DiagnosticMode = deps_.diagnostic;
    console_ = ConsoleState{};
    if (deps_.startChecks && !deps_.startChecks()) return false;
    need<QLabel>(*this, "lblModel")->clear();
    need<QLabel>(*this, "lblCom")->clear();
    need<QLabel>(*this, "lblInterface")->clear();
    InitCurrentFile();
    ResetConsole(0);
    RefreshControlStates();
    showAddressedCamera();
    return true;
}

// Every exchange sets these; one that shows what is shown already costs no
// relayout and no repaint.
void frmMain::setCommandLabel(const std::string& text) {
    const QString t = QString::fromStdString(text);
    if (lblCommand_->text() == t && lblCommand_->toolTip() == t) return;
    lblCommand_->setText(t);
    lblCommand_->setToolTip(t);
}

void frmMain::setAckResult(const std::string& text) {
    QString t = QString::fromStdString(text);
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    // the full text stays readable in the tool tip; the label shows one line
    const QString line = QString(t).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (lblAckResult_->text() == line && lblAckResult_->toolTip() == t) return;
    lblAckResult_->setToolTip(t);
    lblAckResult_->setText(line);
}

void frmMain::appendLog(const std::string& entry) {
    if (deps_.log) deps_.log->append(entry);
}

void frmMain::setBusyPointer(bool busy) {
    if (busy == busyPointer_) return;
    busyPointer_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void frmMain::showPortStatus(const std::string& device, const std::string& reason) {
    const int port = deps_.state->CommPort;
    const QString text =
        reason.empty() ? QStringLiteral("COM%1: ").arg(port) +
                             (device.empty() ? QStringLiteral("no serial device") : QString::fromStdString(device))
                       : QString::fromStdString(dxcmd::PortOpenFailure(port, device, reason));
    if (lblPortStatus_->text() == text) return;
    lblPortStatus_->setText(text);
    lblPortStatus_->setToolTip(text);
}

void frmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    sizePresetColumns();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (deps_.log) deps_.log->closeLog();
    const auto answer = deps_.dialogs->message(kExitQuestion, "", dxcmd::Icon::Question, dxcmd::Buttons::OkCancel,
                                               dxcmd::Answer::Ok);
    if (answer != dxcmd::Answer::Ok) {
        event->ignore();
        return;
    }
    // a button still held down must not leave the camera moving
    if (handlers_) handlers_->stopHeldMovement();
    event->accept();
}

}  // namespace dxconsole
