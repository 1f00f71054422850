#pragma once

// A disk that fills up, for real: a process whose files cannot grow beyond a
// given size. A write past the limit fails (EFBIG) as one on a full disk
// fails (ENOSPC): the bytes before it are taken, the rest is refused.
// SIGXFSZ is ignored so that the write fails instead of ending the process.

#include <QByteArray>
#include <QString>

#include <csignal>
#include <functional>
#include <optional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pellmora::testing {

// Limits the files the calling process writes to `bytes` bytes; for a
// QProcess, call it from the child process modifier.
inline void limitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

// Runs `work` in a forked child process whose files are limited to `bytes`
// bytes and returns the text `work` returned there; nothing when the child
// did not end normally. `work` reports through its text only: assertions in
// the child are not seen by the test.
inline std::optional<QString> underFileSizeLimit(rlim_t bytes, const std::function<QString()> &work)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        limitFileSize(bytes);
        const QByteArray text = work().toUtf8();
        qsizetype sent = 0;
        while (sent < text.size()) {
            const ssize_t n = ::write(channel[1], text.constData() + sent, size_t(text.size() - sent));
            if (n <= 0)
                ::_exit(1);
            sent += n;
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    QByteArray text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return QString::fromUtf8(text);
}

} // namespace pellmora::testing
