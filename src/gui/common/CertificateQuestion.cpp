#include "gui/common/CertificateQuestion.h"

#include <QMessageBox>
#include <QPointer>

bool askToTrustCertificate(QWidget* parent, const TlsCertificateQuestion& question) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Qelto"), certificateQuestionText(question),
                    QMessageBox::Yes | QMessageBox::No, parent);
    // Subject and issuer come from the server.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

TlsCertificateHook certificateQuestionHook(QWidget* parent) {
    QPointer<QWidget> owner(parent);
    return [owner](const TlsCertificateQuestion& question) {
        return owner && askToTrustCertificate(owner, question);
    };
}
