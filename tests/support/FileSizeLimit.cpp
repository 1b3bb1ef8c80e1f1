#include "support/FileSizeLimit.h"

#include <QByteArray>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

std::optional<QString> Run_With_File_Size_Limit(long limitBytes, const std::function<QString()> &body)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return std::nullopt;
    const pid_t pid = ::fork();
    if (pid < 0)
        return std::nullopt;
    if (pid == 0) {
        ::close(fds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(limitBytes), rlim_t(limitBytes)};
        int code = ::setrlimit(RLIMIT_FSIZE, &limit) == 0 ? 0 : 3;
        if (code == 0) {
            const QByteArray text = body().toUtf8();
            qsizetype done = 0;
            while (done < text.size()) {
                const ssize_t n = ::write(fds[1], text.constData() + done, std::size_t(text.size() - done));
                if (n <= 0)
                    break;
                done += n;
            }
        }
        ::_exit(code);
    }
    ::close(fds[1]);
    QByteArray text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, n);
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return QString::fromUtf8(text);
}
