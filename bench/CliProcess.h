#pragma once

// One run of the command line with its standard output to a file, for the benchmarks:
// wall time, exit status and the new program's own peak memory.
#include "meters.h"

#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

struct CliRun {
    bool ran = false;
    bool ok = false;
    double seconds = 0;
    double maxRssBytes = 0;
    long long stdoutBytes = 0;
};

inline CliRun runCli(const QString &cli, const QStringList &args, const QString &stdoutPath,
                     double timeoutSeconds)
{
    CliRun r;
    std::vector<QByteArray> storage;
    storage.push_back(cli.toLocal8Bit());
    for (const QString &a : args)
        storage.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &b : storage)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    const QByteArray out = stdoutPath.toLocal8Bit();

    // A forked child's rusage counts the parent's pages it held until exec, so the peak is
    // the new program's own high-water mark, read from /proc while it runs. The pipe closes
    // on exec, which tells when the readings start to belong to it.
    int execPipe[2];
    if (pipe2(execPipe, O_CLOEXEC) != 0)
        return r;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        close(execPipe[0]);
        close(execPipe[1]);
        return r;
    }
    if (pid == 0) {
        close(execPipe[0]);
        const int fd = open(out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int null = open("/dev/null", O_WRONLY);
        if (fd < 0 || null < 0)
            _exit(126);
        dup2(fd, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    r.ran = true;
    close(execPipe[1]);
    char byte;
    while (read(execPipe[0], &byte, 1) < 0 && errno == EINTR) {
    }
    close(execPipe[0]);
    const std::string statusFile = "/proc/" + std::to_string(pid) + "/status";
    long peakKiB = 0;
    int status = 0;
    for (;;) {
        peakKiB = std::max(peakKiB, bench::statusKiB("VmHWM", statusFile.c_str()));
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() > timeoutSeconds) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            return r;
        }
        usleep(1000);
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    r.maxRssBytes = double(peakKiB) * 1024.0;
    r.stdoutBytes = QFileInfo(stdoutPath).size();
    return r;
}

