// The command and ACK labels change with every exchange. Two things made
// each change cost far more than the exchange's own work: a label whose
// text can be selected keeps it in a document that is rebuilt and laid out
// after every change, and every change of a label's text relayouts the
// whole main window, however fixed the label's size.
#pragma once

#include <QLabel>

namespace dxconsole {

// Takes the label's interaction flags as they are now and applies them
// only while the mouse is over it, or while it has a selection.
void SelectableUnderMouse(QLabel* label);

// Puts the label, in its layout, into a holder of the same size constraints
// that it fills: a change of its text then repaints it and relayouts
// nothing. For a label whose text never decides its size.
void HoldOutOfLayout(QLabel* label);

// A one-line plain-text label narrower than its text shows both ends of it,
// "…" in the middle: a port's name and the cause of a failure stay in view.
class MiddleElidedLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace dxconsole
