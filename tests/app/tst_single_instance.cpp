#include "program/SingleInstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

// One program per data file: the lock, the request for the window, and what a crashed run
// leaves behind. Each test has a runtime folder of its own.
namespace {

using TClaim = TSingleInstance::TClaim;

const std::string DataFile = "/tmp/tervana-single/app/YaoPin.XML";

// What a later start hears when it asks `instance`'s holder for the window, with the
// holder's events processed meanwhile (here, in this very process).
bool askWhileServing(const TSingleInstance &asker)
{
    std::atomic<bool> done = false;
    bool answered = false;
    std::thread later([&] {
        answered = asker.askRunningToShow(3000);
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    later.join();
    return answered;
}

std::string contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("(none)");
}

} // namespace

TEST(SingleInstance, ASecondClaimForTheSameFileIsRefusedUntilTheFirstEnds)
{
    QTemporaryDir runtime;
    auto first = std::make_unique<TSingleInstance>(DataFile, runtime.path());
    ASSERT_EQ(first->claim(), TClaim::First);
    EXPECT_EQ(contentOf(first->lockPath()), std::to_string(::getpid()) + "\n");

    // The same file by another spelling is the same file; another file is another program.
    TSingleInstance sameFile("/tmp/tervana-single/app/../app/./YaoPin.XML", runtime.path());
    EXPECT_EQ(sameFile.claim(), TClaim::Running);
    TSingleInstance otherFile("/tmp/tervana-single/other/YaoPin.XML", runtime.path());
    EXPECT_EQ(otherFile.claim(), TClaim::First);

    first.reset();
    TSingleInstance next(DataFile, runtime.path());
    EXPECT_EQ(next.claim(), TClaim::First);
}

TEST(SingleInstance, ALaterStartAsksTheRunningOneForItsWindow)
{
    QTemporaryDir runtime;
    TSingleInstance running(DataFile, runtime.path());
    ASSERT_EQ(running.claim(), TClaim::First);
    int shown = 0;
    running.onShowRequest = [&] { ++shown; };

    TSingleInstance later(DataFile, runtime.path());
    ASSERT_EQ(later.claim(), TClaim::Running);
    EXPECT_TRUE(askWhileServing(later));
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(askWhileServing(later));
    EXPECT_EQ(shown, 2);

    // A holder that no longer listens (it is ending) leaves the later start waiting only for
    // the time it was given.
    running.holdUntilExit();
    TSingleInstance stillLater(DataFile, runtime.path());
    EXPECT_EQ(stillLater.claim(), TClaim::Running);
    EXPECT_FALSE(stillLater.askRunningToShow(300));
    EXPECT_EQ(shown, 2);
}

TEST(SingleInstance, WhatAKilledRunLeftIsTakenOver)
{
    QTemporaryDir runtime;
    const TSingleInstance names(DataFile, runtime.path());
    // A run killed while it held the file: its lock file with its process id, and its socket
    // file, which nobody answers any more.
    const pid_t crashed = ::fork();
    if (crashed == 0) {
        const int fd = ::open(QFile::encodeName(names.lockPath()).constData(),
                              O_RDWR | O_CREAT, 0600);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0) ::_exit(1);
        const std::string pid = std::to_string(::getpid()) + "\n";
        if (::write(fd, pid.data(), pid.size()) != ssize_t(pid.size())) ::_exit(1);
        const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray socketPath = QFile::encodeName(names.socketPath());
        std::strncpy(address.sun_path, socketPath.constData(), sizeof address.sun_path - 1);
        if (::bind(listening, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
            ::listen(listening, 1) != 0)
            ::_exit(1);
        ::raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(crashed, &status, 0), crashed);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the crashed run's leftovers were not made";
    ASSERT_EQ(contentOf(names.lockPath()), std::to_string(crashed) + "\n");
    ASSERT_TRUE(QFile::exists(names.socketPath()));

    TSingleInstance next(DataFile, runtime.path());
    ASSERT_EQ(next.claim(), TClaim::First);
    EXPECT_EQ(contentOf(next.lockPath()), std::to_string(::getpid()) + "\n");
    int shown = 0;
    next.onShowRequest = [&] { ++shown; };
    TSingleInstance later(DataFile, runtime.path());
    EXPECT_EQ(later.claim(), TClaim::Running);
    EXPECT_TRUE(askWhileServing(later)) << "the stale socket was not replaced";
    EXPECT_EQ(shown, 1);
}

TEST(SingleInstance, AProgramStartedFromTheRunningOneDoesNotKeepTheLock)
{
    QTemporaryDir runtime;
    auto running = std::make_unique<TSingleInstance>(DataFile, runtime.path());
    ASSERT_EQ(running->claim(), TClaim::First);
    // As the shell's handler of a web address would be: started, and outliving the program.
    pid_t child = 0;
    char sleepName[] = "sleep";
    char seconds[] = "30";
    char *arguments[] = {sleepName, seconds, nullptr};
    ASSERT_EQ(::posix_spawnp(&child, "sleep", nullptr, nullptr, arguments, environ), 0);
    running.reset();
    // The kernel lets the spawning process go on a moment before the child's exec has closed
    // what it inherited; a lock kept by the child would stay for its thirty seconds.
    TSingleInstance next(DataFile, runtime.path());
    TClaim claimed = next.claim();
    for (int i = 0; i < 100 && claimed == TClaim::Running; ++i) {
        QThread::msleep(10);
        claimed = next.claim();
    }
    EXPECT_EQ(claimed, TClaim::First);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

TEST(SingleInstance, WithoutARuntimeFolderTheProgramRunsUnguarded)
{
    QTemporaryDir runtime;
    QFile blocker(runtime.filePath("not-a-folder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    TSingleInstance instance(DataFile, runtime.filePath("not-a-folder/inside"));
    EXPECT_EQ(instance.claim(), TClaim::Unguarded);
}
