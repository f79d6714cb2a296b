#include "ui/status.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSizeGrip>
#include <QStatusBar>

#include <algorithm>

namespace {
constexpr int PanelHeight = 20;
constexpr int GripWidth = 40;
constexpr int BarWidth = 120;
constexpr int CancelWidth = 64;
// The bar's own range: one step per pixel of its width, so a pass over any number of records
// repaints it at most this many times (a repaint of the bar costs far more than a record).
constexpr int BarSteps = BarWidth;
} // namespace

TIeStatus::TIeStatus(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SBar"));
    setFixedHeight(PanelHeight);
    message = new QLabel(this);
    message->setObjectName(QStringLiteral("PMsg"));
    message->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    message->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    message->setTextFormat(Qt::PlainText);
    message->setText(QStringLiteral(" "));
    bar = new QProgressBar(this);
    bar->setObjectName(QStringLiteral("PBar"));
    bar->setRange(0, BarSteps);
    bar->setValue(0);
    bar->setTextVisible(false);
    cancel = new QPushButton(QStringLiteral("中止"), this);
    cancel->setObjectName(QStringLiteral("PCancel"));
    cancel->setFocusPolicy(Qt::NoFocus);
    cancel->hide();
    connect(cancel, &QPushButton::clicked, this, &TIeStatus::Cancelled);
    auto *statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("SizeGrip"));
    statusBar->setSizeGripEnabled(true);
    grip = statusBar;
    Arrange();
}

void TIeStatus::Arrange() {
    int gripLeft = width() - GripWidth;
    int barLeft = gripLeft - BarWidth - 2;
    grip->setGeometry(gripLeft, 2, GripWidth, PanelHeight);
    bar->setGeometry(barLeft, 2, BarWidth, 18);
    int messageRight = barLeft - 2;
    if (!cancel->isHidden()) {
        messageRight -= CancelWidth + 2;
        cancel->setGeometry(messageRight + 2, 2, CancelWidth, 18);
    }
    message->setGeometry(2, 2, std::max(0, messageRight - 2), 18);
}

void TIeStatus::ShowCancel(bool visible) {
    cancel->setVisible(visible);
    Arrange();
    if (visible)
        cancel->repaint();
}

void TIeStatus::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    message->hide();
    bar->hide();
    grip->hide();
    Arrange();
    message->show();
    bar->show();
    grip->show();
}

void TIeStatus::SetMessage(const QString &text) {
    message->setText(u' ' + text);
    if (message->isVisible())
        message->repaint();
}

QString TIeStatus::Message() const {
    return message->text();
}

void TIeStatus::StartProgress(int64_t low, int64_t high) {
    minimum = low;
    maximum = std::max(low, high);
    position = 0;
    ShowPosition();
}

void TIeStatus::StepProgress(int64_t n) {
    position += n;
    ShowPosition();
}

void TIeStatus::ResetProgress() {
    position = 0;
    ShowPosition();
}

void TIeStatus::ShowPosition() {
    int value = 0;
    long double span = static_cast<long double>(maximum) - static_cast<long double>(minimum);
    if (span > 0) {
        long double done =
            (static_cast<long double>(position) - static_cast<long double>(minimum)) / span;
        value = static_cast<int>(std::clamp<long double>(done, 0, 1) * BarSteps);
    }
    if (value == shown)
        return;
    shown = value;
    bar->setValue(value);
    if (bar->isVisible())
        bar->repaint();
}
