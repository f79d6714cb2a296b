#pragma once
// The status panel at the bottom of every explorer pane: a message area, a progress bar and a
// size grip. The panel is 20 pixels high; the grip takes the right 40 pixels, the bar the 120
// before it (2 pixels apart), and the message area whatever width is left.
#include <QWidget>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;
class QSizeGrip;

class TIeStatus : public QWidget {
    Q_OBJECT
public:
    explicit TIeStatus(QWidget *parent = nullptr);

    // Shows one space followed by the text, painted at once even while a long operation keeps
    // the event loop busy.
    void SetMessage(const QString &text);
    QString Message() const;
    // The bar runs from minimum to maximum (any 64-bit range); position 0.
    void StartProgress(int64_t minimum, int64_t maximum);
    // Advances the bar by n.
    void StepProgress(int64_t n);
    void ResetProgress();
    // The bar's position in the 64-bit range given to StartProgress.
    int64_t Position() const { return position; }

    // Shows or hides the Cancel button left of the bar, for work the user may stop.
    void ShowCancel(bool visible);
    QPushButton *CancelButton() const { return cancel; }

    QLabel *MessageArea() const { return message; }
    QProgressBar *Bar() const { return bar; }

signals:
    // The Cancel button was pressed.
    void Cancelled();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void Arrange();
    void ShowPosition();
    QLabel *message;
    QProgressBar *bar;
    QPushButton *cancel;
    QWidget *grip;
    int64_t minimum = 0;
    int64_t maximum = 100;
    int64_t position = 0;
    int shown = -1;
};
