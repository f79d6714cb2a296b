#pragma once
// The progress window of a copy batch: the file's type picture, what is copied from where to
// where, a bar, and "Cancel". It stays on top without being modal, so the other windows stay
// usable while a copy runs.
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>

#include "platform/seam.h"

class QLabel;
class QProgressBar;
class QPushButton;

class TFileOpWindow final : public QWidget, public TCopyWindow {
    Q_OBJECT
public:
    // A top-level tool window (parent only ties its lifetime); hidden until Open.
    explicit TFileOpWindow(QWidget *parent = nullptr);

    // Shows the window beside the main window and raises it.
    void Open() override;
    void SetCaption(const std::string &caption) override;
    void SetHeader(const std::string &iconPath, const std::string &nameLine,
                   const std::string &sourceLine, const std::string &targetLine) override;
    // Any 64-bit range: the bar itself always runs over BarScale steps, and a range of 0 (a
    // file under one block) leaves it empty rather than busy.
    void SetRange(int64_t maximum) override;
    // Called once per copied block: touches the bar only when its drawn position changes.
    void Step(int64_t count) override;
    // Hides the window.
    void Close() override;

    static constexpr int BarScale = 1000;

protected:
    // The window manager's close request counts as "Cancel"; the window stays until the batch
    // ends.
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void ShowLines();

    QLabel *m_icon;
    std::array<QLabel *, 3> m_lines;
    std::array<QString, 3> m_texts;
    QProgressBar *m_bar;
    QPushButton *m_cancel;
    int64_t m_maximum = 0;
    int64_t m_position = 0;
};
