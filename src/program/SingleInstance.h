#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <string>

class QLocalServer;

// One program per data file. Two programs on one data file would each write back their own
// records over the other's edits, so the first start for a data file holds a lock named
// after the file's canonical path, and listens on a local socket of the same name; a later
// start for that file asks the running one to come to the front and ends.
//
// The lock is the kernel's (flock on a file in the user's runtime folder, which also holds
// the owner's process id for whoever looks): it goes with the process that held it, so a
// run that crashed or was killed leaves nothing that still holds, and the next start takes
// its lock file and socket over.
class TSingleInstance
{
public:
    // `runtimeDirectory` holds the lock and the socket; empty: the user's runtime folder.
    explicit TSingleInstance(const std::string &dataFilePath, QString runtimeDirectory = {});
    ~TSingleInstance();
    TSingleInstance(const TSingleInstance &) = delete;
    TSingleInstance &operator=(const TSingleInstance &) = delete;

    enum class TClaim {
        First,     // this process holds the data file now
        Running,   // another process holds it
        Unguarded, // no lock could be made (no runtime folder, say): runs as it always did
    };
    // Takes the data file's lock and listens for later starts.
    TClaim claim();

    // From a later start: asks the process that holds the lock to show its window, waiting
    // at most `timeoutMs` for its answer. True when it answered.
    bool askRunningToShow(int timeoutMs) const;

    // Stops listening, and keeps the lock until the process ends: the data file may still be
    // written back while the program's objects are destroyed.
    void holdUntilExit();

    // Run in the holding process when a later start asks for its window.
    std::function<void()> onShowRequest;

    QString lockPath() const { return m_lockPath; }
    QString socketPath() const { return m_socketPath; }

private:
    void listen();

    QString m_lockPath;
    QString m_socketPath;
    int m_lockFd = -1;
    std::unique_ptr<QLocalServer> m_server;
};

// Brings the program's main window to the front, with a modal dialog it shows above it.
void bringProgramToFront();
