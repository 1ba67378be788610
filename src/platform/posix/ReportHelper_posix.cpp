#include "platform/ReportHelper.h"

#include <cerrno>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr size_t MaxReportBytes = 4096;

int helperSocket = -1;
pid_t helperPid = -1;

[[noreturn]] void runHelper(int socket, ReportShower show) {
    static char text[MaxReportBytes + 1];
    size_t length = 0;
    while (length < MaxReportBytes) {
        const ssize_t n = recv(socket, text + length, MaxReportBytes - length, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        length += size_t(n);
    }
    close(socket);
    if (length == 0)
        _exit(0); // the program has ended without a fault
    text[length] = '\0';
    _exit(show(text));
}

} // namespace

bool StartReportHelper(ReportShower show) {
    int ends[2];
    // Close-on-exec: a program started from Tandrix (a file browser) must not keep the helper
    // waiting after Tandrix has ended.
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    const pid_t pid = fork();
    if (pid < 0) {
        close(ends[0]);
        close(ends[1]);
        return false;
    }
    if (pid == 0) {
        close(ends[0]);
        runHelper(ends[1], show);
    }
    close(ends[1]);
    helperSocket = ends[0];
    helperPid = pid;
    return true;
}

bool ShowThroughReportHelper(const char* text, size_t length) {
    if (helperSocket < 0)
        return false;
    while (length > 0) {
        // MSG_NOSIGNAL: a helper that is gone must not end this process with SIGPIPE.
        const ssize_t n = send(helperSocket, text, length, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        text += n;
        length -= size_t(n);
    }
    shutdown(helperSocket, SHUT_WR);
    int status = 0;
    while (waitpid(helperPid, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}
