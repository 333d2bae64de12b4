#pragma once
// One application per user and display: the first `drawapp` listens on a
// local socket, and a later one hands its files over and exits.

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;

namespace qv {

class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(QString serverName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Gives the files (absolute paths) to the running application; true once
    // it has taken them, false when none answers within the time.
    bool handOver(const QStringList& files, int timeoutMs = 5000);

    // Starts answering later starts. A socket left behind by an application
    // that died is replaced; false when no socket can be made, and the
    // application then simply runs alone.
    bool listen();
    QString serverName() const { return m_ServerName; }

signals:
    // Files handed over by a later start; empty when it named none.
    void filesReceived(const QStringList& files);

private:
    void acceptConnection();

    QString m_ServerName;
    QLocalServer* m_Server = nullptr;
};

} // namespace qv
