#pragma once
// The overwrite question of a paste: the incoming file against the one already in the target
// folder.
#include <QDialog>

#include "platform/seam.h"

// Shows "ファイルの上書き" modally beside the main window. Answers Yes, No, All or Cancel
// (Cancel also when the dialog is left with Escape).
TAnswer AskOverwriteDialog(const TOverwriteQuestion &question);

// "ファイルの上書き": the question, the incoming file's name and type picture, size and date of
// both files, and the four answers. No system buttons.
class TFormOverWrite final : public QDialog {
    Q_OBJECT
public:
    explicit TFormOverWrite(const TOverwriteQuestion &question, QWidget *parent = nullptr);

    // The button that closed the dialog; Cancel until one did.
    TAnswer Answer() const { return m_answer; }

    // Escape and every other way of rejecting answer Cancel.
    void reject() override;

private:
    void Finish(TAnswer answer);

    TAnswer m_answer = TAnswer::Cancel;
};
