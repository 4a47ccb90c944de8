#include "StatusLabels.h"

#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QResizeEvent>
#include <QStyle>

namespace dxconsole {

namespace {

class HoverSelection : public QObject {
public:
    explicit HoverSelection(QLabel* label) : QObject(label), label_(label), flags_(label->textInteractionFlags()) {
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

// Has no layout: a child's request for one ends here.
class Holder : public QWidget {
public:
    explicit Holder(QLabel* label) : label_(label) {
        setSizePolicy(label->sizePolicy());
        setMinimumSize(label->minimumSize());
        setMaximumSize(label->maximumSize());
    }

protected:
    void resizeEvent(QResizeEvent* e) override {
        QWidget::resizeEvent(e);
        label_->setGeometry(rect());
    }

private:
    QLabel* label_;
};

}  // namespace

void SelectableUnderMouse(QLabel* label) { new HoverSelection(label); }

void MiddleElidedLabel::paintEvent(QPaintEvent* event) {
    const QRect r = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    if (fontMetrics().horizontalAdvance(text()) <= r.width()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, r.width());
    style()->drawItemText(&p, r, QStyle::visualAlignment(layoutDirection(), alignment()), palette(), isEnabled(),
                          shown, foregroundRole());
}

void HoldOutOfLayout(QLabel* label) {
    QWidget* parent = label->parentWidget();
    if (!parent || !parent->layout()) return;
    auto* holder = new Holder(label);
    QLayoutItem* was = parent->layout()->replaceWidget(label, holder);
    if (!was) {
        delete holder;
        return;
    }
    delete was;
    label->setParent(holder);
    label->setGeometry(holder->rect());
    label->show();
}

}  // namespace dxconsole
