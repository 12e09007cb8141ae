// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileHandOver.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>

namespace kordavel {

QString runtimeFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QDir().mkpath(folder);
    return folder;
}

FileHandOver::FileHandOver(QObject *parent) : QObject(parent), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &FileHandOver::takeConnection);
}

QString FileHandOver::socketPath()
{
    return runtimeFolder() + QStringLiteral("/kordavel.socket");
}

bool FileHandOver::listen()
{
    QLocalServer::removeServer(socketPath());
    return m_server->listen(socketPath());
}

void FileHandOver::takeConnection()
{
    // The message is whole once the sender has hung up.
    const auto finish = [this](QLocalSocket *socket) {
        QStringList files;
        for (const QByteArray &path : socket->readAll().split('\0'))
            if (!path.isEmpty())
                files << QString::fromUtf8(path);
        socket->deleteLater();
        if (!files.isEmpty())
            emit filesArrived(files);
    };
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        if (socket->state() == QLocalSocket::UnconnectedState)
            finish(socket);
        else
            connect(socket, &QLocalSocket::disconnected, this,
                    [finish, socket] { finish(socket); });
    }
}

bool FileHandOver::handOver(const QStringList &files, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QByteArray message;
    for (const QString &file : files)
        message += QFileInfo(file).absoluteFilePath().toUtf8() + '\0';
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    socket.disconnectFromServer();
    return socket.state() == QLocalSocket::UnconnectedState ||
           socket.waitForDisconnected(timeoutMs);
}

} // namespace kordavel
