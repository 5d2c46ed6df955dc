#include "core/transfer/WhenExists.h"

#include <type_traits>

namespace {

template <typename Text> Text ascii(const char* text) {
    if constexpr (std::is_same_v<Text, QString>)
        return QString::fromLatin1(text);
    else
        return QByteArray(text);
}

template <typename Text> Text numbered(const Text& name, int n) {
    const qsizetype dot = name.lastIndexOf(ascii<Text>("."));
    const qsizetype at = dot <= 0 || dot == name.size() - 1 ? name.size() : dot;
    return name.left(at) + ascii<Text>(" (") + Text::number(n) + ascii<Text>(")") + name.mid(at);
}

template <typename Text> Text firstFree(const Text& path, const std::function<bool(const Text&)>& taken) {
    const qsizetype slash = path.lastIndexOf(ascii<Text>("/"));
    const Text folder = path.left(slash + 1);
    const Text name = path.mid(slash + 1);
    for (int n = 1;; ++n) {
        const Text candidate = folder + numberedName(name, n);
        if (!taken(candidate)) return candidate;
    }
}

} // namespace

ExistsAction existsAction(WhenFileExists choice, const ExistingTarget& target) {
    switch (choice) {
    case WhenFileExists::Ask:
    case WhenFileExists::Replace:
        return ExistsAction::Replace;
    case WhenFileExists::ReplaceIfNewer: {
        const QDateTime source = target.source.modified;
        const QDateTime existing = target.target.modified;
        if (!source.isValid() || !existing.isValid()) return ExistsAction::Skip;
        return source.toSecsSinceEpoch() > existing.toSecsSinceEpoch() ? ExistsAction::Replace
                                                                       : ExistsAction::Skip;
    }
    case WhenFileExists::Resume:
        return target.canResume && target.target.size < target.source.size ? ExistsAction::Resume
                                                                           : ExistsAction::Replace;
    case WhenFileExists::Rename:
        return ExistsAction::Rename;
    case WhenFileExists::Skip:
        return ExistsAction::Skip;
    }
    return ExistsAction::Replace;
}

ExistsAction ExistsRule::decide(const ExistingTarget& target, const ExistsQuestion& ask) {
    if (m_standing != WhenFileExists::Ask) return existsAction(m_standing, target);
    if (!ask) return ExistsAction::Replace;
    const ExistsAnswer answer = ask(target);
    if (answer.cancel) return ExistsAction::Cancel;
    if (answer.toRest && answer.choice != WhenFileExists::Ask) m_standing = answer.choice;
    return existsAction(answer.choice, target);
}

QString numberedName(const QString& name, int n) {
    return numbered(name, n);
}

QByteArray numberedName(const QByteArray& name, int n) {
    return numbered(name, n);
}

QString freeName(const QString& path, const std::function<bool(const QString&)>& taken) {
    return firstFree(path, taken);
}

QByteArray freeName(const QByteArray& path, const std::function<bool(const QByteArray&)>& taken) {
    return firstFree(path, taken);
}
