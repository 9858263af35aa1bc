#pragma once
// What the update tests share: zip packages made with libzip at test time,
// a loopback HTTP server, a snapshot of a folder tree, and a folder that
// cannot be written (also by the superuser).

#include "tests/immutable.h"
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QMap>
#include <QMutex>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <zip.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace updatetest {

// ---------------------------------------------------------------- zip packages

struct ZipItem {
    QByteArray name;     // stored as given, separators and all
    QByteArray data;
    quint32 unixMode = 0; // file type and permission bits; 0: none recorded
    bool folder = false;
};

inline ZipItem file(const QByteArray &name, const QByteArray &data, quint32 mode = 0100644)
{
    return {name, data, mode, false};
}
inline ZipItem folder(const QByteArray &name)
{
    return {name, {}, 040755, true};
}

// Writes the items into a new zip file; false when libzip refuses.
inline bool writeZip(const QString &path, const QList<ZipItem> &items)
{
    QFile::remove(path);
    int code = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!zip)
        return false;
    for (const ZipItem &item : items) {
        zip_int64_t index = -1;
        if (item.folder) {
            index = zip_dir_add(zip, item.name.constData(), ZIP_FL_ENC_UTF_8);
        } else {
            // libzip reads the buffer when the archive is closed.
            // An empty buffer is never handed back to be freed.
            char *copy = item.data.isEmpty() ? nullptr : static_cast<char *>(malloc(size_t(item.data.size())));
            if (copy)
                memcpy(copy, item.data.constData(), size_t(item.data.size()));
            zip_source_t *source = zip_source_buffer(zip, copy, zip_uint64_t(item.data.size()), copy ? 1 : 0);
            if (!source) {
                free(copy);
                zip_discard(zip);
                return false;
            }
            index = zip_file_add(zip, item.name.constData(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
            if (index < 0)
                zip_source_free(source);
        }
        if (index < 0) {
            zip_discard(zip);
            return false;
        }
        if (item.unixMode != 0
            && zip_file_set_external_attributes(zip, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, item.unixMode << 16) != 0) {
            zip_discard(zip);
            return false;
        }
    }
    return zip_close(zip) == 0;
}

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeAll(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

// ---------------------------------------------------------------- folder trees

// Every file, folder and link below `root`, by relative path: a file's
// content, "<folder>" or "<link> target".
inline QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> tree;
    const QDir dir(root);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        QByteArray value;
        if (info.isSymLink())
            value = "<link> " + QFile::encodeName(info.symLinkTarget());
        else if (info.isDir())
            value = "<folder>";
        else
            value = readAll(path);
        tree.insert(dir.relativeFilePath(path), value);
    }
    return tree;
}

// ---------------------------------------------------------------- loopback server

// A small HTTP/1.1 server on 127.0.0.1 answering GET requests from a table
// of paths. Every request (path and query) is recorded.
class LoopbackServer : public QObject
{
public:
    enum class Delivery {
        Whole,
        CutOffHalfWay, // announces the whole length, sends half, closes
        Stall,         // announces the whole length, sends nothing more
    };
    struct Response {
        QByteArray body;
        Delivery delivery = Delivery::Whole;
    };

    LoopbackServer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QString url() const { return u"http://127.0.0.1:%1"_qs.arg(m_server.serverPort()); }

    void set(const QByteArray &path, const QByteArray &body, Delivery delivery = Delivery::Whole)
    {
        m_responses.insert(path, {body, delivery});
    }
    // Requests so far, as "path?query".
    QList<QByteArray> requests() const
    {
        QMutexLocker lock(&m_mutex);
        return m_requests;
    }

private:
    void serve(QTcpSocket *socket)
    {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            *buffer += socket->readAll();
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            const QList<QByteArray> requestLine = buffer->left(buffer->indexOf("\r\n")).split(' ');
            buffer->clear();
            const QByteArray target = requestLine.value(1);
            {
                QMutexLocker lock(&m_mutex);
                m_requests.append(target);
            }
            const QByteArray path = target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'));
            const auto found = m_responses.constFind(path);
            if (found == m_responses.constEnd()) {
                socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                socket->disconnectFromHost();
                return;
            }
            const Response &response = found.value();
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: "
                          + QByteArray::number(response.body.size()) + "\r\nConnection: close\r\n\r\n");
            switch (response.delivery) {
            case Delivery::Whole:
                socket->write(response.body);
                socket->disconnectFromHost();
                break;
            case Delivery::CutOffHalfWay:
                socket->write(response.body.left(response.body.size() / 2));
                socket->flush();
                socket->disconnectFromHost();
                break;
            case Delivery::Stall:
                socket->flush();
                m_stalled.append(socket);
                break;
            }
        });
    }

    QTcpServer m_server;
    QMap<QByteArray, Response> m_responses;
    mutable QMutex m_mutex;
    QList<QByteArray> m_requests;
    QList<QPointer<QTcpSocket>> m_stalled;
};

} // namespace updatetest
