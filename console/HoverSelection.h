// Text a label lets the mouse select, made selectable only while the mouse
// is over it. Such a label keeps its text in a document that is rebuilt and
// laid out on every change of text; the status labels change with every
// exchange, and most of the time no mouse is anywhere near them.
#pragma once

class QLabel;

namespace dxconsole {

// Takes the label's interaction flags as they are now and applies them
// while the mouse is over it, or while it has a selection.
void SelectableUnderMouse(QLabel* label);

}  // namespace dxconsole
