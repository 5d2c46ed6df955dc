#pragma once

#include <QString>
#include <QStringList>

// One server reply: the three-digit code of its first line and its text lines (code and separator
// removed). A first line that carries no number gives code 0.
struct FtpReply {
    int code = 0;
    QStringList text;

    QString codeText() const { return code == 0 ? QString() : QString::number(code); }
    // The text of a refused reply as the user sees it: every line followed by CR LF.
    QString errorText() const;
};
