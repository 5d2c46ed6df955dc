#include "gui/common/ExistsQuestion.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

namespace {

QString describe(const FileFacts& file) {
    const QString when = file.modified.isValid()
                             ? file.modified.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))
                             : QStringLiteral("date unknown");
    return QString::number(file.size) + QStringLiteral(" Byte, ") + when;
}

} // namespace

QString existsQuestionText(const ExistingTarget& target) {
    const QString existing = target.download ? QStringLiteral("Local file (there now): ")
                                             : QStringLiteral("Remote file (there now): ");
    const QString incoming =
        target.download ? QStringLiteral("Remote file: ") : QStringLiteral("Local file: ");
    return QStringLiteral("The file already exists:\n") + target.name + QStringLiteral("\n\n") + existing +
           describe(target.target) + u'\n' + incoming + describe(target.source);
}

ExistsAnswer askWhenExists(QWidget* parent, const ExistingTarget& target) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Qelto"), existsQuestionText(target),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QLatin1String(ExistsQuestionName));
    box.setTextFormat(Qt::PlainText);
    const std::pair<const char*, WhenFileExists> choices[] = {
        {"Replace", WhenFileExists::Replace},
        {"Replace if newer", WhenFileExists::ReplaceIfNewer},
        {"Resume", WhenFileExists::Resume},
        {"Rename", WhenFileExists::Rename},
        {"Skip", WhenFileExists::Skip}};
    QList<std::pair<QPushButton*, WhenFileExists>> buttons;
    for (const auto& [text, choice] : choices)
        buttons.append({box.addButton(QString::fromLatin1(text), QMessageBox::AcceptRole), choice});
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(buttons.first().first);
    box.setEscapeButton(cancel);
    auto* rest = new QCheckBox(QStringLiteral("Apply to the rest of this job"), &box);
    box.setCheckBox(rest);
    box.exec();
    ExistsAnswer answer;
    answer.cancel = true;
    for (const auto& [button, choice] : buttons)
        if (box.clickedButton() == button) answer = {choice, rest->isChecked(), false};
    return answer;
}
