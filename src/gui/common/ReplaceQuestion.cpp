#include "gui/common/ReplaceQuestion.h"

#include <QMessageBox>
#include <QPushButton>

ReplaceAnswer askToReplace(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Qelto"), text, QMessageBox::NoButton, parent);
    box.setObjectName(QLatin1String(ReplaceQuestionName));
    box.setTextFormat(Qt::PlainText);
    QPushButton* replace = box.addButton(QStringLiteral("Replace"), QMessageBox::AcceptRole);
    QPushButton* skip = box.addButton(QStringLiteral("Skip"), QMessageBox::NoRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(replace);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == replace) return ReplaceAnswer::Replace;
    if (box.clickedButton() == skip) return ReplaceAnswer::Skip;
    return ReplaceAnswer::Cancel;
}
