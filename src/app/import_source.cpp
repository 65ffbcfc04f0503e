#include "app/import_source.h"

#include <QCoreApplication>
#include <QFile>
#include <QScopeGuard>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorn {

namespace {

// What reading the list says, under one translation context.
struct ImportWords {
    Q_DECLARE_TR_FUNCTIONS(ImportSource)
};

enum class SourceKind { file, stream, terminal, other };

SourceKind kindOf(int fd, const struct stat& info, bool standardInput) {
    if (S_ISREG(info.st_mode))
        return SourceKind::file;
    if (S_ISFIFO(info.st_mode) || (standardInput && S_ISSOCK(info.st_mode)))
        return SourceKind::stream;
    // Someone at a terminal ends the list with Ctrl+D.
    if (standardInput && ::isatty(fd))
        return SourceKind::terminal;
    return SourceKind::other;
}

ReadError systemError(const QString& shown, int error) {
    return {ImportWords::tr("cannot read %1: %2").arg(shown, QString::fromLocal8Bit(std::strerror(error)))};
}

} // namespace

Result<QString, ReadError> readImportText(const QString& path, const ImportLimits& limits) {
    const bool standardInput = path == QStringLiteral("-");
    const QString shown = standardInput ? ImportWords::tr("standard input") : path;
    int fd = STDIN_FILENO;
    if (!standardInput) {
        // Without O_NONBLOCK, opening a FIFO waits for a writer, maybe for ever.
        fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return systemError(shown, errno);
    }
    const auto closeFile = qScopeGuard([&] {
        if (!standardInput)
            ::close(fd);
    });
    struct stat info = {};
    if (::fstat(fd, &info) != 0)
        return systemError(shown, errno);
    const SourceKind kind = kindOf(fd, info, standardInput);
    const QString limit = ImportWords::tr("%1 MB").arg(limits.maxBytes / (1024 * 1024));
    const auto tooLarge = [&] {
        return ReadError{
            ImportWords::tr("%1 is larger than %2; Vorn imports lists of up to %2").arg(shown, limit)};
    };
    if (kind == SourceKind::other)
        return ReadError{ImportWords::tr("%1 is not a regular file (a device, a folder or a socket); "
                                         "Vorn imports a list from a file or standard input")
                             .arg(shown)};
    if (kind == SourceKind::file && info.st_size > limits.maxBytes)
        return tooLarge();

    QByteArray bytes;
    char chunk[64 * 1024];
    while (true) {
        if (kind == SourceKind::stream) {
            pollfd ready = {fd, POLLIN, 0};
            const int polled = ::poll(&ready, 1, int(limits.silence.count()));
            if (polled < 0 && errno == EINTR)
                continue;
            if (polled < 0)
                return systemError(shown, errno);
            if (polled == 0)
                return ReadError{ImportWords::tr("%1 gave no data for %2 s; nothing was imported")
                                     .arg(shown)
                                     .arg(double(limits.silence.count()) / 1000.0)};
        }
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0)
            return systemError(shown, errno);
        if (n == 0)
            break;
        if (bytes.size() + n > limits.maxBytes)
            return tooLarge();
        bytes.append(chunk, n);
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return ReadError{ImportWords::tr("%1 is not UTF-8 text").arg(shown)};
    return text;
}

} // namespace vorn
