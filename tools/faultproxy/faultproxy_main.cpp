// rfmod-faultproxy: a TCP proxy between rfmodctl and PostgreSQL that injects the faults a
// production line meets: a commit whose answer never arrives, a connection that hangs, a
// network that drops everything.
//
//   rfmod-faultproxy --target HOST:PORT [--listen PORT]
//
// Listens on 127.0.0.1 (port 0: a free one) and prints the port as the first line on stdout.
// Commands come as lines on stdin, each answered "ok" (or "error: ...") on stdout; stdin
// closed ends the proxy:
//   drop-after-commit N     the next N server replies carrying CommandComplete "COMMIT" are
//                           swallowed and their connection reset: the commit happened, the
//                           client never learns it (0 takes the order back)
//   freeze / thaw           stop / resume forwarding on every current connection (sockets stay
//                           open, bytes are kept)
//   reset                   abort every connection
//   freeze-next-after-lock  freeze the next connection whose statement containing "FOR UPDATE"
//                           has been answered (its ReadyForQuery passed): it holds the lock
//   stats                   "ok connections=.. open=.. dropped=.. frozen=.. lock-freezes=.."
// Events (a commit dropped, a connection frozen) are logged on stderr, naming the client's port
// and application name.
//
// PostgreSQL v3 framing is followed in both directions: client messages before the startup
// message have no type byte; an SSLRequest or GSSENCRequest gets a single unframed byte back
// ('N' lets the session go on in the clear; anything else and the proxy stops looking).
#include <QCoreApplication>
#include <QHostAddress>
#include <QPointer>
#include <QSet>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_dropCommits = 0;
bool g_freezeAfterLock = false;
qint64 g_connections = 0, g_dropped = 0, g_frozen = 0;

quint32 be32(const QByteArray& b, int at) { return qFromBigEndian<quint32>(b.constData() + at); }

// A reset, not an orderly close: the peer sees the connection fail.
void hardAbort(QTcpSocket* s)
{
    if (s->socketDescriptor() >= 0) {
        const linger l{1, 0};
        setsockopt(int(s->socketDescriptor()), SOL_SOCKET, SO_LINGER, &l, sizeof l);
    }
    s->abort();
}

class Connection : public QObject {
public:
    Connection(QTcpSocket* client, const QString& host, quint16 port, QObject* parent)
        : QObject(parent), m_client(client), m_server(new QTcpSocket(this))
    {
        m_client->setParent(this);
        m_id = ++g_connections;
        m_clientPort = m_client->peerPort();
        connect(m_client, &QTcpSocket::readyRead, this, &Connection::pump);
        connect(m_server, &QTcpSocket::readyRead, this, &Connection::pump);
        connect(m_server, &QTcpSocket::connected, this, &Connection::pump);
        connect(m_client, &QTcpSocket::disconnected, this, [this] { m_clientEof = true; pump(); });
        connect(m_server, &QTcpSocket::disconnected, this, [this] { m_serverEof = true; pump(); });
        connect(m_server, &QTcpSocket::errorOccurred, this, [this] { m_serverEof = true; pump(); });
        connect(m_client, &QTcpSocket::errorOccurred, this, [this] { m_clientEof = true; pump(); });
        m_server->connectToHost(host, port);
    }
    // Who the client is in the log: its port and the application name it gave.
    QByteArray who() const
    {
        return QByteArray::number(m_id) + " (client port " + QByteArray::number(m_clientPort) + ", application \""
               + m_application + "\")";
    }
    void setFrozen(bool frozen)
    {
        m_frozen = frozen;
        if (!frozen)
            QMetaObject::invokeMethod(this, &Connection::pump, Qt::QueuedConnection);
    }
    bool frozen() const { return m_frozen; }
    bool dead() const { return m_dead; }
    void reset() { close(true); }

private:
    void pump()
    {
        if (m_dead)
            return;
        m_fromClient += m_client->readAll();
        m_fromServer += m_server->readAll();
        if (m_frozen)
            return;
        if (m_server->state() == QAbstractSocket::ConnectedState) {
            const int n = clientMessages();
            if (n > 0) {
                m_server->write(m_fromClient.left(n));
                m_fromClient.remove(0, n);
            }
        }
        const int n = serverMessages();
        if (m_dead)
            return;
        if (n > 0) {
            m_client->write(m_fromServer.left(n));
            m_fromServer.remove(0, n);
        }
        // A side that has gone is passed on, after the rest of what it sent.
        const bool connecting = m_server->state() == QAbstractSocket::HostLookupState
                                || m_server->state() == QAbstractSocket::ConnectingState;
        if (m_clientEof && !connecting) {
            if (m_server->state() == QAbstractSocket::ConnectedState)
                m_server->write(m_fromClient);
            close(false);
        } else if (m_serverEof) {
            m_client->write(m_fromServer);
            close(false);
        }
    }

    // How many leading bytes of m_fromClient are whole messages; notes locking statements.
    int clientMessages()
    {
        int at = 0;
        for (;;) {
            if (m_opaque)
                return m_fromClient.size();
            if (!m_startupDone) {
                if (m_fromClient.size() - at < 8)
                    return at;
                const quint32 len = be32(m_fromClient, at), code = be32(m_fromClient, at + 4);
                if (len < 8 || len > 1 << 20) {
                    m_opaque = true;
                    continue;
                }
                if (quint32(m_fromClient.size() - at) < len)
                    return at;
                if (code == 80877103 || code == 80877104)
                    m_unframedReplies++;
                else if (code >> 16 == 3) {
                    m_startupDone = m_readyExpected = 1; // the server's first ReadyForQuery ends the startup
                    const QList<QByteArray> params = m_fromClient.mid(at + 8, int(len) - 8).split('\0');
                    const int app = int(params.indexOf("application_name"));
                    if (app >= 0)
                        m_application = params.value(app + 1);
                }
                else
                    m_opaque = true; // a cancel request or something unknown
                at += int(len);
                continue;
            }
            if (m_fromClient.size() - at < 5)
                return at;
            const char type = m_fromClient.at(at);
            const quint32 len = be32(m_fromClient, at + 1);
            if (len < 4) {
                m_opaque = true;
                continue;
            }
            if (quint32(m_fromClient.size() - at - 1) < len)
                return at;
            const QByteArray body = m_fromClient.mid(at + 5, int(len) - 4);
            const auto cstring = [&](int* pos) {
                const int end = body.indexOf('\0', *pos);
                const QByteArray s = body.mid(*pos, end < 0 ? -1 : end - *pos);
                *pos = end < 0 ? int(body.size()) : end + 1;
                return s;
            };
            const bool locks = body.toUpper().contains("FOR UPDATE");
            if (type == 'Q') {
                // Qt prepares by text: PREPARE name AS ..., then EXECUTE name (...).
                const QList<QByteArray> words = body.left(body.indexOf('\0')).toUpper().simplified().split(' ');
                const QByteArray name = words.value(1).split('(').value(0);
                if (words.value(0) == "PREPARE") {
                    if (locks)
                        m_lockStatements.insert("sql " + name);
                    else
                        m_lockStatements.remove("sql " + name);
                } else if (words.value(0) == "EXECUTE" ? m_lockStatements.contains("sql " + name) : locks) {
                    m_freezeAtReady = m_readyExpected + 1;
                }
                m_readyExpected++;
            } else if (type == 'P') {
                int pos = 0;
                const QByteArray name = cstring(&pos);
                if (locks)
                    m_lockStatements.insert(name);
                else
                    m_lockStatements.remove(name);
            } else if (type == 'B') {
                int pos = 0;
                cstring(&pos);
                if (m_lockStatements.contains(cstring(&pos)))
                    m_lockBound = true;
            } else if (type == 'S') {
                m_readyExpected++;
                if (m_lockBound)
                    m_freezeAtReady = m_readyExpected;
                m_lockBound = false;
            }
            at += 1 + int(len);
        }
    }

    // How many leading bytes of m_fromServer may go to the client; drops a commit's answer and
    // freezes after a lock as asked.
    int serverMessages()
    {
        int at = 0;
        for (;;) {
            if (m_opaque)
                return m_fromServer.size();
            if (m_unframedReplies > 0) {
                if (m_fromServer.size() - at < 1)
                    return at;
                m_unframedReplies--;
                if (m_fromServer.at(at++) != 'N')
                    m_opaque = true; // TLS or GSS: nothing more to read here
                continue;
            }
            if (m_fromServer.size() - at < 5)
                return at;
            const char type = m_fromServer.at(at);
            const quint32 len = be32(m_fromServer, at + 1);
            if (len < 4) {
                m_opaque = true;
                continue;
            }
            if (quint32(m_fromServer.size() - at - 1) < len)
                return at;
            if (type == 'C' && g_dropCommits > 0 && m_fromServer.mid(at + 5, 7) == QByteArray("COMMIT\0", 7)) {
                g_dropCommits--;
                g_dropped++;
                std::fprintf(stderr, "faultproxy: connection %s: COMMIT answer dropped, connection reset\n", who().constData());
                // What came before the commit's answer still goes to the client first.
                if (at > 0)
                    m_client->write(m_fromServer.left(at));
                m_client->flush();
                close(true);
                return 0;
            }
            at += 1 + int(len);
            if (type == 'Z' && ++m_readySeen == m_freezeAtReady) {
                m_freezeAtReady = 0;
                if (g_freezeAfterLock) {
                    g_freezeAfterLock = false;
                    g_frozen++;
                    m_frozen = true;
                    std::fprintf(stderr, "faultproxy: connection %s frozen holding a lock\n", who().constData());
                    return at;
                }
            }
        }
    }

    void close(bool hard)
    {
        if (m_dead)
            return;
        m_dead = true;
        for (QTcpSocket* s : {m_client, m_server}) {
            s->disconnect(this);
            if (hard)
                hardAbort(s);
            else
                s->disconnectFromHost(); // what is written still goes out
        }
        deleteLater();
    }

    QTcpSocket* m_client;
    QTcpSocket* m_server;
    qint64 m_id = 0;
    quint16 m_clientPort = 0;
    QByteArray m_application;
    QByteArray m_fromClient, m_fromServer;
    bool m_clientEof = false, m_serverEof = false;
    bool m_frozen = false, m_dead = false;
    bool m_startupDone = false, m_opaque = false;
    int m_unframedReplies = 0;
    QSet<QByteArray> m_lockStatements;
    bool m_lockBound = false;
    qint64 m_readyExpected = 0, m_readySeen = 0, m_freezeAtReady = 0;
};

void reply(const char* text)
{
    std::printf("%s\n", text);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString host;
    quint16 targetPort = 0, listenPort = 0;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--target")) {
            host = args[i + 1].section(QLatin1Char(':'), 0, -2);
            targetPort = quint16(args[i + 1].section(QLatin1Char(':'), -1).toUInt());
        } else if (args[i] == QLatin1String("--listen")) {
            listenPort = quint16(args[i + 1].toUInt());
        }
    }
    if (host.isEmpty() || targetPort == 0 || args.size() % 2) {
        std::fprintf(stderr, "usage: rfmod-faultproxy --target HOST:PORT [--listen PORT]\n");
        return 2;
    }
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, listenPort)) {
        std::fprintf(stderr, "rfmod-faultproxy: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    QList<QPointer<Connection>> connections;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* s = server.nextPendingConnection())
            connections << new Connection(s, host, targetPort, &app);
    });
    const auto live = [&] {
        connections.removeIf([](const QPointer<Connection>& c) { return !c || c->dead(); });
        return connections;
    };
    std::printf("%u\n", unsigned(server.serverPort()));
    std::fflush(stdout);

    QByteArray input;
    QSocketNotifier stdinReady(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&stdinReady, &QSocketNotifier::activated, [&] {
        char buf[4096];
        const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            stdinReady.setEnabled(false);
            app.quit();
            return;
        }
        input.append(buf, int(n));
        int nl;
        while ((nl = input.indexOf('\n')) >= 0) {
            const QList<QByteArray> words = input.left(nl).simplified().split(' ');
            input.remove(0, nl + 1);
            const QByteArray cmd = words.value(0);
            if (cmd.isEmpty())
                continue;
            if (cmd == "drop-after-commit") {
                bool ok = false;
                const int count = words.value(1, "1").toInt(&ok);
                if (!ok || count < 0) {
                    reply("error: drop-after-commit N");
                    continue;
                }
                g_dropCommits = count;
            } else if (cmd == "freeze" || cmd == "thaw") {
                for (Connection* c : live())
                    c->setFrozen(cmd == "freeze");
            } else if (cmd == "reset") {
                for (Connection* c : live())
                    c->reset();
            } else if (cmd == "freeze-next-after-lock") {
                g_freezeAfterLock = true;
            } else if (cmd == "stats") {
                int frozen = 0;
                for (Connection* c : live())
                    frozen += c->frozen();
                std::printf("ok connections=%lld open=%d dropped=%lld frozen=%d lock-freezes=%lld\n", g_connections,
                            int(live().size()), g_dropped, frozen, g_frozen);
                std::fflush(stdout);
                continue;
            } else {
                reply("error: unknown command");
                continue;
            }
            reply("ok");
        }
    });
    return app.exec();
}
