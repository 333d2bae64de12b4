#include "app/SingleInstance.h"

#include "app/LaunchOptions.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

namespace qv {

namespace {

constexpr char kAcknowledgement = 'k';
// A connection that sends nothing complete in this time is dropped.
constexpr int kConnectionTimeoutMs = 10000;

} // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), m_ServerName(std::move(serverName)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::handOver(const QStringList& files, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(m_ServerName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    std::vector<std::string> paths;
    for (const QString& file : files)
        paths.push_back(file.toStdString());
    const std::string message = encodeHandOver(paths);
    socket.write(message.data(), qint64(message.size()));
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // Only the acknowledgement tells that the files were taken.
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    char answer = 0;
    return socket.read(&answer, 1) == 1 && answer == kAcknowledgement;
}

bool SingleInstance::listen() {
    if (m_Server)
        return true;
    auto* server = new QLocalServer(this);
    // Only this user may hand files over.
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_ServerName)) {
        // Nobody answered before we got here, so a socket file in the way
        // belongs to an application that is gone.
        QLocalServer::removeServer(m_ServerName);
        if (!server->listen(m_ServerName)) {
            delete server;
            return false;
        }
    }
    m_Server = server;
    connect(server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
    return true;
}

void SingleInstance::acceptConnection() {
    while (QLocalSocket* socket = m_Server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto buffer = std::make_shared<std::string>();
        QPointer<QLocalSocket> guard(socket);
        QTimer::singleShot(kConnectionTimeoutMs, socket, [guard] {
            if (guard)
                guard->abort();
        });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            const QByteArray bytes = socket->readAll();
            buffer->append(bytes.constData(), std::size_t(bytes.size()));
            const HandOver message = decodeHandOver(*buffer);
            if (message.status == HandOver::Status::Incomplete)
                return;
            if (message.status == HandOver::Status::Invalid) {
                socket->abort();
                return;
            }
            socket->write(&kAcknowledgement, 1);
            socket->flush();
            QStringList files;
            for (const std::string& path : message.files)
                files.append(QString::fromStdString(path));
            buffer->clear();
            socket->disconnectFromServer();
            emit filesReceived(files);
        });
    }
}

} // namespace qv
