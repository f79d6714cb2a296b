#include "ui/fileOpForm.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "fileops/fileOP.h"
#include "items/fileDB.h"
#include "ui/common.h"
#include "ui/icons.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int PictureSize = 32;
constexpr int WindowWidth = 480;

// The bar position of a count within 0..maximum, in 0..scale; exact at both ends for any
// 64-bit range (long double holds every 64-bit integer).
int BarPosition(int64_t position, int64_t maximum, int scale) {
    if (maximum <= 0 || position <= 0)
        return 0;
    if (position >= maximum)
        return scale;
    long double share = static_cast<long double>(position) / static_cast<long double>(maximum);
    return std::clamp(static_cast<int>(share * scale), 0, scale);
}

} // namespace

TFileOpWindow::TFileOpWindow(QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(u"TFormFileOP"_s);
    setFixedWidth(WindowWidth);

    m_icon = new QLabel;
    m_icon->setObjectName(u"Picture"_s);
    m_icon->setFixedSize(PictureSize, PictureSize);

    auto *lines = new QVBoxLayout;
    lines->setSpacing(2);
    const QString names[] = {u"NameLine"_s, u"SourceLine"_s, u"TargetLine"_s};
    for (size_t i = 0; i < m_lines.size(); ++i) {
        m_lines[i] = new QLabel;
        m_lines[i]->setObjectName(names[i]);
        m_lines[i]->setTextFormat(Qt::PlainText);
        // Paths are long: the label takes the width it is given and shortens its text to it.
        m_lines[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        lines->addWidget(m_lines[i]);
    }

    auto *head = new QHBoxLayout;
    head->setSpacing(12);
    head->addWidget(m_icon, 0, Qt::AlignTop);
    head->addLayout(lines, 1);

    m_bar = new QProgressBar;
    m_bar->setObjectName(u"ProgressBar"_s);
    m_bar->setRange(0, BarScale);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    auto *start = new QLabel(Text(BarStartCaption));
    start->setObjectName(u"BarStart"_s);
    auto *end = new QLabel(Text(BarEndCaption));
    end->setObjectName(u"BarEnd"_s);
    auto *bar = new QGridLayout;
    bar->setVerticalSpacing(2);
    bar->addWidget(m_bar, 0, 0, 1, 2);
    bar->addWidget(start, 1, 0, Qt::AlignLeft);
    bar->addWidget(end, 1, 1, Qt::AlignRight);

    m_cancel = new QPushButton(Text(CancelButton));
    m_cancel->setObjectName(u"CancelButton"_s);
    connect(m_cancel, &QPushButton::clicked, this, [] { CancelRequested = true; });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addSpacing(6);
    layout->addLayout(bar);
    layout->addLayout(buttons);
}

void TFileOpWindow::Open() {
    PlaceBesideMain(this);
    show();
    raise();
}

void TFileOpWindow::SetCaption(const std::string &caption) {
    setWindowTitle(Text(caption.c_str()));
}

void TFileOpWindow::SetHeader(const std::string &iconPath, const std::string &nameLine,
                              const std::string &sourceLine, const std::string &targetLine) {
    m_icon->setPixmap(
        LargeImage(FileDb(), FileDb().GetImageIndex(iconPath)).pixmap(PictureSize, PictureSize));
    m_texts = {FromBytes(nameLine), FromBytes(sourceLine), FromBytes(targetLine)};
    ShowLines();
    m_position = 0;
    m_bar->setValue(0);
}

void TFileOpWindow::SetRange(int64_t maximum) {
    m_maximum = std::max<int64_t>(maximum, 0);
    m_position = 0;
    m_bar->setValue(0);
}

void TFileOpWindow::Step(int64_t count) {
    if (count <= 0)
        return;
    // Saturating: steps beyond the range stay at its end.
    m_position = count >= m_maximum - m_position ? m_maximum : m_position + count;
    int shown = BarPosition(m_position, m_maximum, BarScale);
    if (shown != m_bar->value())
        m_bar->setValue(shown);
}

void TFileOpWindow::Close() {
    hide();
}

void TFileOpWindow::closeEvent(QCloseEvent *event) {
    CancelRequested = true;
    event->ignore();
}

void TFileOpWindow::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    ShowLines();
}

void TFileOpWindow::ShowLines() {
    for (size_t i = 0; i < m_lines.size(); ++i) {
        // The ends matter most: the name, and the "から"/"へ" that close the path lines.
        int width = std::max(m_lines[i]->width(), 1);
        m_lines[i]->setText(
            m_lines[i]->fontMetrics().elidedText(m_texts[i], Qt::ElideMiddle, width));
        m_lines[i]->setToolTip(m_texts[i]);
    }
}
