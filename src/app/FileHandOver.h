// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace kordavel {

// The running copy's door for files named by a second start: a local socket, one per user,
// in the user's private folder (runtimeFolder()). A second start writes the files' absolute
// paths, each ended by a NUL, and hangs up; the running copy then opens those that exist.
// Only the user's own processes are let in, a request is bounded and a connection that does
// not end in time is dropped with nothing opened.
class FileHandOver : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxRequestBytes = 64 * 1024;
    static constexpr int kMaxRequestFiles = 256;
    static constexpr int kMaxConnections = 8;
    static constexpr int kConnectionLimitMs = 5000;

    explicit FileHandOver(QObject *parent = nullptr);

    // Empty when the user has no private folder.
    static QString socketPath();
    // Opens the door. Only the copy that holds the running-copy lock calls this, so a socket
    // left by a copy that crashed is removed first. False when it cannot listen.
    bool listen();
    // Hands the files to the running copy, in requests within the bounds; false when no copy
    // of the user's own answers in time.
    static bool handOver(const QStringList &files, int timeoutMs = 3000);
    // How long a connection may stay open, from its start (tests shorten it).
    void setConnectionLimitMs(int ms) { m_limitMs = ms; }

signals:
    void filesArrived(const QStringList &files);
    // A connection is over, whether its request was taken or not.
    void connectionEnded();

private:
    void takeConnection();
    void serve(QLocalSocket *socket);

    QLocalServer *m_server;
    int m_limitMs = kConnectionLimitMs;
    int m_open = 0;
};

} // namespace kordavel
