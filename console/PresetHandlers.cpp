#include "PresetHandlers.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include "dxcmd/Codec.h"
#include "dxparams/Catalogue.h"
#include "dxparams/SettingFile.h"
#include "dxparams/Titles.h"
#include "dxtransfer/Jobs.h"
#include "frmEditTitle.h"

namespace dxconsole {

namespace cat = dxparams::cat;
namespace trg = dxparams::trg;

namespace {

constexpr int kTitleColumn = 1;
constexpr int kStateColumn = 2;

std::string str(std::string_view s) { return std::string(s); }

std::string latin1(const QString& s) {
    const QByteArray b = s.toLatin1();
    return {b.constData(), size_t(b.size())};
}

struct GuardScope {
    explicit GuardScope(bool& g) : g_(g) { g_ = true; }
    ~GuardScope() { g_ = false; }
    bool& g_;
};

}  // namespace

PresetHandlers::PresetHandlers(ConsoleContext& context)
    : ctx_(context),
      list_(need<QTreeWidget>(context.window, "lswPresetPosition")),
      popup_(need<QMenu>(context.window, "mnuPosPopup")),
      positionNo_(need<QAction>(context.window, "pmnuPositionNo")),
      cmdPosCall_(need<QPushButton>(context.window, "cmdPosCall")),
      txtCamTitle_(need<QLineEdit>(context.window, "txtCamTitle")) {
    const QObject& w = context.window;
    list_->viewport()->installEventFilter(this);
    list_->installEventFilter(this);  // its keys
    connect(list_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { guarded([&] { lswPresetPosition_Click(item); }); });
    auto onAction = [&](const char* name, void (PresetHandlers::*h)()) {
        connect(need<QAction>(w, name), &QAction::triggered, this, [this, h] { guarded([&] { (this->*h)(); }); });
    };
    onAction("pmnuEditTitle", &PresetHandlers::pmnuEditTitle_Click);
    onAction("pmnuPanTilt", &PresetHandlers::pmnuPanTilt_Click);
    onAction("pmnuPositionFunction", &PresetHandlers::pmnuPositionFunction_Click);
    onAction("pmnuSavePosition", &PresetHandlers::pmnuSavePosition_Click);
    onAction("pmnuClearPosition", &PresetHandlers::pmnuClearPosition_Click);
    auto onButton = [&](const char* name, void (PresetHandlers::*h)()) {
        connect(need<QPushButton>(w, name), &QPushButton::clicked, this,
                [this, h] { guarded([&] { (this->*h)(); }); });
    };
    onButton("cmdPosCall", &PresetHandlers::cmdPosCall_Click);
    onButton("cmdEnter", &PresetHandlers::cmdEnter_Click);
    onButton("cmdCmaTitleExec", &PresetHandlers::cmdCmaTitleExec_Click);
    camTitleCheck_ = new TitleBoxValidator(txtCamTitle_, ctx_.commands.dialogs());
    // the area title is checked the same way and never sent
    new TitleBoxValidator(need<QLineEdit>(w, "txtAreaTitle"), ctx_.commands.dialogs());
}

void PresetHandlers::guarded(const std::function<void()>& action) {
    try {
        dxcmd::Action scope(ctx_.commands);
        action();
    } catch (const dxcmd::BadReplyError&) {
        // "Bad value." has been shown; the console goes on
    } catch (const std::exception&) {
        ctx_.commands.dialogs().message("Unknown error.", "Error", dxcmd::Icon::Critical, dxcmd::Buttons::Ok,
                                        dxcmd::Answer::Ok);
    }
}

bool PresetHandlers::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(event);
        const auto mods = k->modifiers() & ~Qt::KeypadModifier;
        const bool ours = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter || k->key() == Qt::Key_Menu ||
                          k->key() == Qt::Key_F10;
        if (ours && k->isAutoRepeat()) return true;  // a key held loads or opens once
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
            QTreeWidgetItem* row = list_->currentItem();
            if (row) row->setSelected(true);
            guarded([&] { lswPresetPosition_Click(row); });
            return true;
        }
        if (k->key() == Qt::Key_Menu || (k->key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
            const int row = selectedRow();
            const QRect at = row >= 0 ? list_->visualItemRect(list_->topLevelItem(row)) : QRect();
            const QPoint global = list_->viewport()->mapToGlobal(row >= 0 ? at.bottomLeft() : QPoint(0, 0));
            guarded([&] { lswPresetPosition_RightRelease(global); });
            return true;
        }
        return false;
    }
    if (watched != list_->viewport()) return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        // the right button never selects a row
        return static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
    case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::RightButton) return false;
        const QPoint at = me->globalPosition().toPoint();
        guarded([&] { lswPresetPosition_RightRelease(at); });
        return true;
    }
    default:
        return false;
    }
}

int PresetHandlers::selectedRow() const {
    const auto selected = list_->selectedItems();
    return selected.isEmpty() ? -1 : list_->indexOfTopLevelItem(selected.first());
}

int PresetHandlers::positionOf(int row) const { return list_->topLevelItem(row)->text(0).toInt(); }

std::string PresetHandlers::titleOf(int row) const { return latin1(list_->topLevelItem(row)->text(kTitleColumn)); }

void PresetHandlers::lswPresetPosition_RightRelease(const QPoint& globalPos) {
    GuardScope guard(listClickGuard_);
    const int row = selectedRow();
    positionNo_->setText(row >= 0 ? QStringLiteral("Position No.%1").arg(positionOf(row))
                                  : QStringLiteral("No position selected"));
    for (QAction* a : popup_->actions())
        if (a != positionNo_ && !a->isSeparator()) a->setEnabled(row >= 0);
    popup_->exec(globalPos);
}

void PresetHandlers::lswPresetPosition_Click(QTreeWidgetItem* item) {
    if (listClickGuard_ || !item) return;
    const int row = list_->indexOfTopLevelItem(item);
    if (row < 0) return;
    // a row is marked only once the camera has taken its select
    forgetSelection();

    auto& st = ctx_.state;
    st.LogLabel = str(cat::PresetPosition.labelSet);
    const int16_t status = ctx_.commands.ExecCmd(
        str(cat::PresetPosition.setShort) + dxcmd::EncodeValue(static_cast<int16_t>(positionOf(row))), "A0", "", "");
    // a preset the camera did not select would show another one's settings
    if (status != 0) return;
    item->setText(kStateColumn, QStringLiteral("Selected"));
    ctx_.routines.RunTransferJob(dxtransfer::kPositionDataLoad);
}

void PresetHandlers::forgetSelection() {
    for (int i = 0; i < list_->topLevelItemCount(); ++i) list_->topLevelItem(i)->setText(kStateColumn, QString());
}

void PresetHandlers::pmnuEditTitle_Click() {
    const int row = selectedRow();
    if (row < 0) return;
    GuardScope guard(listClickGuard_);
    ctx_.console.EditedTitle = titleOf(row);
    {
        frmEditTitle dialog(ctx_.console.EditedTitle, ctx_.commands.dialogs(), &ctx_.window);
        dialog.exec();
    }
    const std::string& t = ctx_.console.EditedTitle;
    list_->topLevelItem(row)->setText(kTitleColumn, QString::fromLatin1(t.data(), qsizetype(t.size())));
}

void PresetHandlers::pmnuPanTilt_Click() { need<QTabWidget>(ctx_.window, "tabCameraCtrl")->setCurrentIndex(0); }

void PresetHandlers::pmnuPositionFunction_Click() {
    need<QTabWidget>(ctx_.window, "tabCameraCtrl")->setCurrentIndex(1);
}

void PresetHandlers::pmnuSavePosition_Click() {
    int row = -1;
    for (int i = 0; i < list_->topLevelItemCount() && row < 0; ++i)
        if (list_->topLevelItem(i)->text(kStateColumn) == QLatin1String("Selected")) row = i;
    if (row < 0) return;
    const int p = positionOf(row);
    const std::string key = dxparams::PositionTitleKey(p);
    auto& st = ctx_.state;
    auto& dialogs = ctx_.commands.dialogs();

    const auto& codeSet = trg::CharacterCodeSetB;
    st.LogLabel = str(codeSet.label);
    ctx_.commands.ExecCmd(str(codeSet.command), "A0", "TRIGGER", str(codeSet.key));
    const std::string title = titleOf(row);
    if (dialogs.message("Is PRISET POSITION of No." + std::to_string(p) + " saved?", "", dxcmd::Icon::Question,
                        dxcmd::Buttons::YesNo, dxcmd::Answer::No) != dxcmd::Answer::Yes)
        return;
    st.LogLabel = str(cat::PositionTitle.label);
    ctx_.commands.ExecSend(dxparams::TitleFrame(title, cat::PositionTitle.code), "STRING", key);
    st.LogLabel = str(trg::EnterPosition.label);
    if (ctx_.commands.ExecCmd(str(trg::EnterPosition.command), "A0", "", "") == 0)
        dialogs.message("Completed!", "", dxcmd::Icon::Information, dxcmd::Buttons::Ok, dxcmd::Answer::Ok);
}

void PresetHandlers::pmnuClearPosition_Click() {
    const int row = selectedRow();
    if (row < 0) return;
    const int p = positionOf(row);
    auto& dialogs = ctx_.commands.dialogs();
    if (dialogs.message("Are you sure to reset PRISET POSITION of No." + std::to_string(p) +
                            " data to factory settings?",
                        "", dxcmd::Icon::Question, dxcmd::Buttons::YesNo, dxcmd::Answer::No) != dxcmd::Answer::Yes)
        return;
    // no label of its own: the log shows the one before
    const int16_t status = ctx_.commands.ExecCmd(
        str(trg::PositionReset.command) + dxcmd::EncodeValue(static_cast<int16_t>(p)), "A0", "", "");
    if (status == 0)
        dialogs.message("Completed!", "", dxcmd::Icon::Information, dxcmd::Buttons::Ok, dxcmd::Answer::Ok);
    list_->topLevelItem(row)->setText(kTitleColumn, QString());
    ctx_.routines.ResetConsole(1);
    ctx_.routines.RefreshControlStates();
}

void PresetHandlers::cmdPosCall_Click() {
    auto& st = ctx_.state;
    st.LogLabel = str(cat::PresetPosition.label);
    ctx_.commands.QueryCamera(str(cat::PresetPosition.query));
    cmdPosCall_->setText(QStringLiteral("Position = %1").arg(dxcmd::DecodeValue(st.ReplyData)));
}

void PresetHandlers::cmdEnter_Click() {
    ctx_.state.LogLabel = str(trg::EnterParameter.label);
    // "Completed!" only for what the camera took; a failure has its own box
    if (ctx_.commands.ExecCmd(str(trg::EnterParameter.command), "A0", "", "") == 0)
        ctx_.commands.dialogs().message("Completed!", "", dxcmd::Icon::Information, dxcmd::Buttons::Ok,
                                        dxcmd::Answer::Ok);
}

void PresetHandlers::cmdCmaTitleExec_Click() {
    // a title the camera cannot show is never sent
    if (!camTitleCheck_->validateForClick()) return;
    auto& st = ctx_.state;
    const auto& codeSet = trg::CharacterCodeSetB;
    st.LogLabel = str(codeSet.label);
    ctx_.commands.ExecCmd(str(codeSet.command), "A0", "TRIGGER", str(codeSet.key));
    const std::string title = latin1(txtCamTitle_->text());
    st.LogLabel = str(cat::CameraTitle.label);
    ctx_.commands.ExecSend(dxparams::TitleFrame(title, cat::CameraTitle.code), "STRING", str(cat::CameraTitle.key));
}

}  // namespace dxconsole
