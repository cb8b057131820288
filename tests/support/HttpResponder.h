#pragma once

// A tiny HTTP/1.1 server on 127.0.0.1 for tests: it answers GET requests from a table of paths
// and closes each connection after its answer. It runs on the thread that creates it.
// Anything that is not an HTTP request (a TLS handshake) is answered by closing the connection.

#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

class HttpResponder : public QObject {
public:
    struct Answer {
        int status = 200;
        QByteArray body;
        QByteArray headers;       // further header lines, each ending in "\r\n"
        qint64 declaredSize = -1; // the Content-Length sent; -1: the body's size
        int trickleMs = 0;        // when not 0, the body goes out one byte per trickleMs
    };

    HttpResponder() {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { Serve(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QString Origin() const {
        return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
    }
    void Set(const QString& path, const QByteArray& body, int status = 200) {
        Answer answer;
        answer.status = status;
        answer.body = body;
        m_answers[path] = answer;
    }
    void Set(const QString& path, const Answer& answer) { m_answers[path] = answer; }
    QStringList requests;

private:
    void Serve(QTcpSocket* socket) {
        QByteArray& request = m_pending[socket];
        request += socket->readAll();
        if (!QByteArray("GET ").startsWith(request.left(4))) {
            m_pending.remove(socket);
            socket->abort();
            return;
        }
        if (!request.contains("\r\n\r\n"))
            return;
        const QString path = QString::fromLatin1(request.split(' ').value(1));
        m_pending.remove(socket);
        requests << path;
        Answer missing;
        missing.status = 404;
        missing.body = "<!DOCTYPE html><p>Not found</p>";
        const Answer answer = m_answers.value(path, missing);
        const qint64 size = answer.declaredSize < 0 ? answer.body.size() : answer.declaredSize;
        socket->write("HTTP/1.1 " + QByteArray::number(answer.status) +
                      " X\r\nContent-Length: " + QByteArray::number(size) + "\r\n" +
                      answer.headers + "Connection: close\r\n\r\n");
        if (answer.trickleMs == 0) {
            socket->write(answer.body);
            socket->disconnectFromHost();
            return;
        }
        // One byte per tick, until the body is out or the client has gone.
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket,
                [socket, timer, body = answer.body, sent = 0]() mutable {
                    if (sent == body.size() || socket->state() != QAbstractSocket::ConnectedState) {
                        timer->stop();
                        socket->disconnectFromHost();
                        return;
                    }
                    socket->write(body.mid(sent++, 1));
                });
        timer->start(answer.trickleMs);
    }

    QTcpServer m_server;
    QHash<QString, Answer> m_answers;
    QHash<QTcpSocket*, QByteArray> m_pending;
};
