#include "ValueLabels.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QTextDocumentFragment>

namespace dxconsole {

namespace {

constexpr const char* kCaptionProperty = "dxValueCaption";

// What the label shows, as plain text; the whole of it where the label
// shows one line of a longer text and keeps the rest in its tool tip.
QString shownValue(const QLabel* l) {
    QString t = l->toolTip().isEmpty() ? l->text() : l->toolTip();
    const bool rich = l->textFormat() == Qt::RichText || (l->textFormat() == Qt::AutoText && Qt::mightBeRichText(t));
    if (rich) t = QTextDocumentFragment::fromHtml(t).toPlainText();
    return t.simplified();
}

class ValueLabelAccessible : public QAccessibleWidget {
public:
    explicit ValueLabelAccessible(QLabel* l) : QAccessibleWidget(l, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name && t != QAccessible::Value) return QAccessibleWidget::text(t);
        const auto* l = static_cast<const QLabel*>(widget());
        const QString value = shownValue(l);
        if (t == QAccessible::Value) return value;
        const QString caption = l->property(kCaptionProperty).toString();
        return value.isEmpty() ? caption : caption + QStringLiteral(": ") + value;
    }
};

QAccessibleInterface* valueLabelFactory(const QString& className, QObject* object) {
    auto* l = qobject_cast<QLabel*>(object);
    if (className != QLatin1String("QLabel") || !l || !l->property(kCaptionProperty).isValid()) return nullptr;
    return new ValueLabelAccessible(l);
}

}  // namespace

void ShowsValueOf(QLabel* label, const QString& caption) {
    QAccessible::installFactory(&valueLabelFactory);  // once: a factory already there is not added again
    label->setProperty(kCaptionProperty, caption);
    // no fixed name, so that each new text is announced as a new name
    label->setAccessibleName(QString());
}

}  // namespace dxconsole
