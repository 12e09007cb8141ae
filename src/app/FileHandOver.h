// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;

namespace kordavel {

// The running copy's door for files named by a second start: a local socket, one per user,
// in the user's runtime folder. A second start writes the files' absolute paths, each ended
// by a NUL, and hangs up; the running copy then opens them.
class FileHandOver : public QObject {
    Q_OBJECT
public:
    explicit FileHandOver(QObject *parent = nullptr);

    static QString socketPath();
    // Opens the door. Only the copy that holds the running-copy lock calls this, so a socket
    // left by a copy that crashed is removed first. False when it cannot listen.
    bool listen();
    // Hands the files to the running copy; false when no copy answers in time.
    static bool handOver(const QStringList &files, int timeoutMs = 3000);

signals:
    void filesArrived(const QStringList &files);

private:
    void takeConnection();

    QLocalServer *m_server;
};

// The folder of the running-copy lock and of the socket.
QString runtimeFolder();

} // namespace kordavel
