#include "frmSplash.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QVBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include "Icons.h"
#include "dxcmd/Ui.h"

namespace dxshell {

namespace {

constexpr int kMajor = 1, kMinor = 0, kRevision = 0;

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setAccessibleName(text.isEmpty() ? QString::fromLatin1(name) : text);
    return l;
}

}  // namespace

frmSplash::frmSplash(std::function<void()> openMain, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::SplashScreen), openMain_(std::move(openMain)) {
    setObjectName(QStringLiteral("frmSplash"));
    setAccessibleName(QString::fromLatin1(dxcmd::kAppTitle));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    frame_ = new QFrame(this);
    frame_->setObjectName(QStringLiteral("Frame1"));
    frame_->setAccessibleName(QString::fromLatin1(dxcmd::kAppTitle));
    frame_->setFrameShape(QFrame::Box);
    frame_->setLineWidth(2);
    outer->addWidget(frame_);

    auto* g = new QGridLayout(frame_);
    g->setContentsMargins(16, 16, 16, 16);
    auto* logo = label(frame_, "imgLogo", QString());
    logo->setAccessibleName(QStringLiteral("Logo"));
    logo->setPixmap(dxconsole::PaintedLogo(160, 120));
    g->addWidget(logo, 0, 0, 4, 1);
    auto* product = label(frame_, "lblCompanyProduct", QString::fromLatin1(dxcmd::kAppTitle));
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    product->setFont(big);
    g->addWidget(product, 0, 1);
    // the version block holds no description, company, notice or comments
    g->addWidget(label(frame_, "lblProductName", QString()), 1, 1);
    g->addWidget(label(frame_, "lblVersion",
                       QStringLiteral("Version %1.%2.%3").arg(kMajor).arg(kMinor).arg(kRevision)),
                 2, 1, Qt::AlignRight);
    g->addWidget(label(frame_, "lblCompany", QString()), 3, 1);
    g->addWidget(label(frame_, "lblCopyright", QString()), 4, 0, 1, 2);
    g->addWidget(label(frame_, "lblWarning", QString()), 5, 0, 1, 2);

    frame_->installEventFilter(this);
    for (auto* child : frame_->findChildren<QWidget*>()) child->installEventFilter(this);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setSingleShot(true);
    timer_->setInterval(2000);
    connect(timer_, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
}

void frmSplash::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!opened_ && !timer_->isActive()) timer_->start();
}

void frmSplash::Frame1_Click() { openMainOnce(); }

void frmSplash::Timer1_Timer() { openMainOnce(); }

void frmSplash::keyPressEvent(QKeyEvent* event) {
    event->accept();
    openMainOnce();
}

bool frmSplash::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        Frame1_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmSplash::openMainOnce() {
    timer_->stop();
    if (opened_) return;
    opened_ = true;
    // the main window first, so the program never runs without a window
    if (openMain_) openMain_();
    close();
}

}  // namespace dxshell
