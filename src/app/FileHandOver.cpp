// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileHandOver.h"

#include "PrivateFolder.h"

#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace kordavel {

namespace {

// Whether the process at the other end of the socket runs as this user.
bool peerIsUser(const QLocalSocket &socket)
{
#ifdef SO_PEERCRED
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) ==
               0 &&
           peer.uid == ::geteuid();
#else
    return socket.socketDescriptor() >= 0;
#endif
}

// The files of a whole request: absolute paths, each ended by a NUL, at most
// kMaxRequestFiles of them; those that do not exist are left out. Nothing from anything else.
QStringList filesOf(const QByteArray &request)
{
    if (!request.endsWith('\0') || request.count('\0') > FileHandOver::kMaxRequestFiles)
        return {};
    QStringList files;
    for (const QByteArray &name : request.chopped(1).split('\0')) {
        const QString path = QFile::decodeName(name);
        if (path.startsWith(QLatin1Char('/')) && QFile::encodeName(path) == name &&
            QFileInfo::exists(path))
            files << path;
    }
    return files;
}

bool send(const QString &path, const QByteArray &request, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(timeoutMs) || !peerIsUser(socket))
        return false;
    socket.write(request);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    socket.disconnectFromServer();
    return socket.state() == QLocalSocket::UnconnectedState ||
           socket.waitForDisconnected(timeoutMs);
}

} // namespace

FileHandOver::FileHandOver(QObject *parent) : QObject(parent), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &FileHandOver::takeConnection);
}

QString FileHandOver::socketPath()
{
    const QString folder = runtimeFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/kordavel.socket");
}

bool FileHandOver::listen()
{
    const QString path = socketPath();
    if (path.isEmpty())
        return false;
    QLocalServer::removeServer(path);
    return m_server->listen(path);
}

void FileHandOver::takeConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        if (m_open < kMaxConnections && peerIsUser(*socket)) {
            serve(socket);
            continue;
        }
        socket->abort();
        socket->deleteLater();
        emit connectionEnded();
    }
}

// The request is whole once the sender has hung up; one larger than the bound, or one not
// ended in time, is dropped.
void FileHandOver::serve(QLocalSocket *socket)
{
    ++m_open;
    socket->setReadBufferSize(kMaxRequestBytes + 1);
    auto request = std::make_shared<QByteArray>();
    auto over = std::make_shared<bool>(false);
    const auto end = [this, socket, request, over](bool whole) {
        if (std::exchange(*over, true))
            return;
        --m_open;
        const QStringList files = whole ? filesOf(*request) : QStringList();
        disconnect(socket, nullptr, this, nullptr);
        socket->abort();
        socket->deleteLater();
        if (!files.isEmpty())
            emit filesArrived(files);
        emit connectionEnded();
    };
    const auto take = [socket, request, end] {
        *request += socket->read(kMaxRequestBytes + 1 - request->size());
        if (request->size() > kMaxRequestBytes)
            end(false);
    };
    auto *deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, this, [end] { end(false); });
    connect(socket, &QLocalSocket::readyRead, this, take);
    connect(socket, &QLocalSocket::disconnected, this, [take, end] {
        take();
        end(true);
    });
    deadline->start(m_limitMs);
    take();
    if (socket->state() == QLocalSocket::UnconnectedState)
        end(true);
}

bool FileHandOver::handOver(const QStringList &files, int timeoutMs)
{
    const QString path = socketPath();
    if (path.isEmpty() || entryAt(path, S_IFSOCK) != Entry::Own)
        return false;
    QList<QByteArray> requests{QByteArray()};
    int count = 0;
    for (const QString &file : files) {
        const QByteArray name = QFile::encodeName(QFileInfo(file).absoluteFilePath()) + '\0';
        if (name.size() > kMaxRequestBytes)
            continue;
        if (requests.last().size() + name.size() > kMaxRequestBytes || count == kMaxRequestFiles) {
            requests << QByteArray();
            count = 0;
        }
        requests.last() += name;
        ++count;
    }
    for (const QByteArray &request : std::as_const(requests))
        if (!send(path, request, timeoutMs))
            return false;
    return true;
}

} // namespace kordavel
