#pragma once

#include "core/ftp/ConnectionSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>

// A file as the job sees it: its size and its modification time (invalid when unknown).
struct FileFacts {
    qint64 size = 0;
    QDateTime modified;
};

// A file row whose target is already there: the file the row brings and the one it would overwrite.
struct ExistingTarget {
    bool download = true;
    QString name; // the target's path, as the user knows it
    FileFacts source;
    FileFacts target;
    // The transfer can go on from the target's length (a download: the server takes REST).
    bool canResume = false;
};

// What the job does with such a row.
enum class ExistsAction {
    Replace, // writes the target anew
    Resume,  // goes on from the target's length
    Rename,  // writes beside it, under the first free "name (n).ext"
    Skip,    // leaves the row out and the target alone
    Cancel,  // stops the job
};

// The user's answer to the question about one target.
struct ExistsAnswer {
    WhenFileExists choice = WhenFileExists::Replace;
    bool toRest = false; // the same answer for every further target of the job
    bool cancel = false;
};

using ExistsQuestion = std::function<ExistsAnswer(const ExistingTarget&)>;

// The choice of one job: the setting, until the user answers a question "for the rest of this job".
class ExistsRule {
public:
    explicit ExistsRule(WhenFileExists setting = WhenFileExists::Ask) : m_standing(setting) {}

    // What becomes of `target`. With Ask the question is put; no question at all (nobody to ask)
    // replaces.
    ExistsAction decide(const ExistingTarget& target, const ExistsQuestion& ask);
    // Every target is replaced (`canAsk`: a question can be put): nothing needs to be known about it.
    bool alwaysReplaces(bool canAsk) const {
        return m_standing == WhenFileExists::Replace || (m_standing == WhenFileExists::Ask && !canAsk);
    }

private:
    WhenFileExists m_standing;
};

// What a choice other than Ask does with `target`. Replace if newer replaces only when the file the row
// brings is newer than the target, to the second; an unknown time replaces nothing. Resume goes on only
// from a shorter target that can be resumed, and replaces otherwise.
ExistsAction existsAction(WhenFileExists choice, const ExistingTarget& target);

// `name` (a file name, without folder) numbered: "name (n).ext", the number before the last extension;
// a name starting with its only dot, or ending with a dot, has no extension.
QString numberedName(const QString& name, int n);
QByteArray numberedName(const QByteArray& name, int n);

// The first numbered name of the last part of `path` that `taken` does not hold, in the same folder.
QString freeName(const QString& path, const std::function<bool(const QString&)>& taken);
QByteArray freeName(const QByteArray& path, const std::function<bool(const QByteArray&)>& taken);
