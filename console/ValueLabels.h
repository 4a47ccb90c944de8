// Labels that show a value (the model, the port, the last command...): a
// screen reader reads the caption with the value, "Model: DX-430".
#pragma once

class QLabel;
class QString;

namespace dxconsole {

// The label's accessible name becomes "caption: text" and follows its text.
void ShowsValueOf(QLabel* label, const QString& caption);

}  // namespace dxconsole
