#pragma once

// A tiny HTTP/1.1 server on 127.0.0.1 for tests: it answers GET requests from a table of paths
// and closes each connection after its answer. It runs on the thread that creates it.

#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>

class HttpResponder : public QObject {
public:
    struct Answer {
        int status = 200;
        QByteArray body;
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
        m_answers[path] = {status, body};
    }
    QStringList requests;

private:
    void Serve(QTcpSocket* socket) {
        QByteArray& request = m_pending[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        const QString path = QString::fromLatin1(request.split(' ').value(1));
        m_pending.remove(socket);
        requests << path;
        const Answer answer = m_answers.value(path, Answer{404, "<!DOCTYPE html><p>Not found</p>"});
        socket->write("HTTP/1.1 " + QByteArray::number(answer.status) +
                      " X\r\nContent-Length: " + QByteArray::number(answer.body.size()) +
                      "\r\nConnection: close\r\n\r\n" + answer.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QString, Answer> m_answers;
    QHash<QTcpSocket*, QByteArray> m_pending;
};
