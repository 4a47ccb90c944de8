#include "HoverSelection.h"

#include <QEvent>
#include <QLabel>

namespace dxconsole {

namespace {

class HoverSelection : public QObject {
public:
    HoverSelection(QLabel* label) : QObject(label), label_(label), flags_(label->textInteractionFlags()) {
        label->setTextInteractionFlags(Qt::NoTextInteraction);
        label->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Enter)
            label_->setTextInteractionFlags(flags_);
        else if (e->type() == QEvent::Leave && !label_->hasSelectedText())
            label_->setTextInteractionFlags(Qt::NoTextInteraction);
        return false;
    }

private:
    QLabel* label_;
    Qt::TextInteractionFlags flags_;
};

}  // namespace

void SelectableUnderMouse(QLabel* label) { new HoverSelection(label); }

}  // namespace dxconsole
