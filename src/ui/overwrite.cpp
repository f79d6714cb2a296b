#include "ui/overwrite.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "fileops/ovwrt.h"
#include "items/fileDB.h"
#include "ui/common.h"
#include "ui/icons.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int PictureSize = 32;
constexpr int NameWidth = 360;

QLabel *ValueLabel(const QString &text, const QString &name) {
    auto *label = new QLabel(text);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// One side of the comparison: "サイズ" and "作成日時" of one file.
QGroupBox *Side(const char *title, const std::string &size, const std::string &date,
                const QString &namePrefix) {
    auto *box = new QGroupBox(Text(title));
    box->setObjectName(namePrefix);
    auto *form = new QFormLayout(box);
    form->setLabelAlignment(Qt::AlignLeft);
    form->addRow(Text(OverwriteSizeLabel), ValueLabel(FromBytes(size), namePrefix + u"Size"_s));
    form->addRow(Text(OverwriteDateLabel), ValueLabel(FromBytes(date), namePrefix + u"Date"_s));
    return box;
}

} // namespace

TFormOverWrite::TFormOverWrite(const TOverwriteQuestion &question, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(u"TFormOverWrite"_s);
    setWindowTitle(Text(OverwriteCaption));

    auto *picture = new QLabel;
    picture->setObjectName(u"Picture"_s);
    picture->setFixedSize(PictureSize, PictureSize);
    picture->setPixmap(LargeImage(FileDb(), FileDb().GetImageIndex(question.IncomingPath))
                           .pixmap(PictureSize, PictureSize));

    auto *text = new QLabel(Text(OverwriteText));
    text->setObjectName(u"TextLabel"_s);

    auto *nameRow = new QHBoxLayout;
    nameRow->setSpacing(16);
    nameRow->addWidget(new QLabel(Text(OverwriteFileNameLabel)));
    // A long name is shortened in its middle; the whole name is in the tool tip.
    const QString fileName = FromBytes(question.FileName);
    QLabel *name = ValueLabel(fileName, u"FileNameLabel"_s);
    name->setText(name->fontMetrics().elidedText(fileName, Qt::ElideMiddle, NameWidth));
    name->setToolTip(fileName);
    nameRow->addWidget(name, 1);

    QGroupBox *incoming =
        Side(OverwriteIncomingLabel, question.IncomingSize, question.IncomingDate, u"Incoming"_s);
    QGroupBox *existing =
        Side(OverwriteExistingLabel, question.ExistingSize, question.ExistingDate, u"Existing"_s);
    // Two columns of one width, whatever their texts.
    int sideWidth = std::max(incoming->sizeHint().width(), existing->sizeHint().width());
    incoming->setMinimumWidth(sideWidth);
    existing->setMinimumWidth(sideWidth);
    auto *sides = new QHBoxLayout;
    sides->addWidget(incoming);
    sides->addWidget(existing);

    auto *body = new QGridLayout;
    body->setHorizontalSpacing(16);
    body->addWidget(picture, 0, 0, 2, 1, Qt::AlignTop);
    body->addWidget(text, 0, 1);
    body->addLayout(nameRow, 1, 1);
    body->addLayout(sides, 2, 1);
    body->setColumnStretch(1, 1);

    auto *buttons = new QDialogButtonBox;
    struct TButton {
        const char *Caption;
        const char *Name;
        TAnswer Answer;
    };
    const TButton answers[] = {
        {OverwriteYes, "YesButton", TAnswer::Yes},
        {OverwriteNo, "NoButton", TAnswer::No},
        {OverwriteAllButton, "AllButton", TAnswer::All},
        {OverwriteCancel, "CancelButton", TAnswer::Cancel},
    };
    for (const TButton &each : answers) {
        auto *button = new QPushButton(Text(each.Caption));
        button->setObjectName(QString::fromLatin1(each.Name));
        // ActionRole keeps the buttons in the order given on every platform style.
        buttons->addButton(button, QDialogButtonBox::ActionRole);
        TAnswer answer = each.Answer;
        connect(button, &QPushButton::clicked, this, [this, answer] { Finish(answer); });
        if (answer == TAnswer::Yes)
            button->setDefault(true);
    }
    buttons->setCenterButtons(true);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormOverWrite::reject() {
    m_answer = TAnswer::Cancel;
    QDialog::reject();
}

void TFormOverWrite::Finish(TAnswer answer) {
    m_answer = answer;
    if (answer == TAnswer::Cancel)
        QDialog::reject();
    else
        QDialog::accept();
}

TAnswer AskOverwriteDialog(const TOverwriteQuestion &question) {
    TFormOverWrite form(question, MainWindow());
    PlaceBesideMain(&form);
    form.exec();
    return form.Answer();
}
