#include "core/ftp/FtpTransferFile.h"

#include "core/base/Errors.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemText(int number) {
    return QString::fromLocal8Bit(std::strerror(number));
}

QeltoError fileError(const char* what, const QString& path, int number) {
    return QeltoError(QStringLiteral("%1 \"%2\". %3").arg(QLatin1String(what), path, systemText(number)),
                      ErrorCategory::LocalFile);
}

QeltoError alreadyExists() {
    return QeltoError(QStringLiteral("Destination file already exists."), ErrorCategory::LocalFile);
}

QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}

// Hidden, beside the target: ".<name>.part-" and up to 7 random characters; where that would pass the
// file system's name limit, only ".part-" and the random characters.
QString partPrefix(const QFileInfo& target) {
    constexpr qsizetype RandomPart = 7; // a 32-bit number in base 36
    long limit = ::pathconf(encoded(target.absolutePath()).constData(), _PC_NAME_MAX);
    if (limit <= 0) limit = 255;
    const QString longForm = u'.' + target.fileName() + QStringLiteral(".part-");
    return encoded(longForm).size() + RandomPart <= limit ? longForm : QStringLiteral(".part-");
}

void adopt(QFile& file, int fd, const QString& path) {
    // Unbuffered: transfer blocks are large and go to the kernel in one write each.
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw QeltoError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()),
                         ErrorCategory::LocalFile);
    }
}

} // namespace

DownloadFile::DownloadFile(const QString& path, bool canOverwrite, bool resume)
    : m_path(path), m_canOverwrite(canOverwrite) {
    if (resume) {
        const int fd = ::open(encoded(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
        if (fd < 0) throw fileError("Cannot open file", path, errno);
        struct stat info {};
        if (::fstat(fd, &info) != 0) {
            const int number = errno;
            ::close(fd);
            throw fileError("Cannot open file", path, number);
        }
        m_restartAt = info.st_size;
        adopt(m_file, fd, path);
        return;
    }
    const QFileInfo target(path);
    if (!canOverwrite && (target.exists() || target.isSymLink())) throw alreadyExists();
    if (target.isDir()) throw fileError("Cannot create file", path, EISDIR);

    const QString prefix = target.absolutePath() + u'/' + partPrefix(target);
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
        m_partPath = prefix + QString::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(encoded(m_partPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        const int number = errno;
        m_partPath.clear();
        throw fileError("Cannot create file", path, number);
    }
    adopt(m_file, fd, path);
}

DownloadFile::DownloadFile(const QString& path, const QString& partKey)
    : m_path(path), m_canOverwrite(true), m_keepPart(true) {
    const QFileInfo target(path);
    if (target.isDir()) throw fileError("Cannot create file", path, EISDIR);
    QString name = u'.' + target.fileName() + QStringLiteral(".part-") + partKey;
    long limit = ::pathconf(encoded(target.absolutePath()).constData(), _PC_NAME_MAX);
    if (limit <= 0) limit = 255;
    if (encoded(name).size() > limit) name = QStringLiteral(".part-") + partKey;
    m_partPath = target.absolutePath() + u'/' + name;
    // Never through a link: the hidden file is ours, and only a regular file is written on.
    const int fd = ::open(encoded(m_partPath).constData(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0666);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int number = fd < 0 ? errno : EINVAL;
        if (fd >= 0) ::close(fd);
        m_partPath.clear();
        throw fileError("Cannot create file", path, number);
    }
    // Two downloads of one file into one folder (a second window) would write the same hidden file.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        m_partPath.clear();
        throw QeltoError(QStringLiteral("\"%1\" is being downloaded already").arg(path), ErrorCategory::LocalFile);
    }
    m_partLength = info.st_size;
    adopt(m_file, fd, path);
}

DownloadFile::~DownloadFile() {
    m_file.close();
    if (!m_partPath.isEmpty() && !m_keepPart) ::unlink(encoded(m_partPath).constData());
}

void DownloadFile::startOver() {
    if (m_file.handle() >= 0 && ::ftruncate(m_file.handle(), 0) != 0)
        throw fileError("Cannot create file", m_path, errno);
    m_partLength = 0;
}

void DownloadFile::discard() {
    m_file.close();
    if (!m_partPath.isEmpty()) ::unlink(encoded(m_partPath).constData());
    m_partPath.clear();
}

void DownloadFile::commit() {
    m_file.close();
    if (m_partPath.isEmpty()) return;
    const QByteArray from = encoded(m_partPath);
    const QByteArray to = encoded(m_path);
    int rc = -1;
    if (!m_canOverwrite) {
        // Something may have appeared under the name meanwhile; it is not ours to replace.
        rc = ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
        if (rc != 0 && errno == EEXIST) throw alreadyExists();
        if (rc != 0 && errno != EINVAL && errno != ENOSYS)
            throw fileError("Cannot create file", m_path, errno);
    }
    if (rc != 0 && ::rename(from.constData(), to.constData()) != 0)
        throw fileError("Cannot create file", m_path, errno);
    m_partPath.clear();
}

void openUploadSource(QFile& file) {
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw QeltoError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(file.fileName(), file.errorString()),
            ErrorCategory::LocalFile);
}
