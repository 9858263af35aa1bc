#include "update/downloadupdatefile.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

#include <limits>
#include <memory>

namespace {

// An answer is a few hundred bytes; a package's size is a 32-bit number.
constexpr qint64 kMaxAnswerBytes = 1 << 20;
constexpr qint64 kMaxPackageBytes = std::numeric_limits<qint32>::max();
constexpr int kCancelPollMs = 100;

} // namespace

DownloadResult DownloadUpdateFile(const QString &address, const QString &localName, DownloadMode mode,
                                  tUpdate &update, const std::atomic_bool *cancel, int stallTimeoutMs)
{
    DownloadResult result;
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()
        || (url.scheme() != u"http"_qs && url.scheme() != u"https"_qs)) {
        result.error = u"Not an http or https address: "_qs + address;
        return result;
    }

    std::unique_ptr<QSaveFile> file;
    if (mode == DownloadMode::File) {
        file = std::make_unique<QSaveFile>(localName);
        if (!file->open(QIODevice::WriteOnly)) {
            result.error = u"Cannot write %1: %2"_qs.arg(localName, file->errorString());
            return result;
        }
    }
    const qint64 limit = mode == DownloadMode::File ? kMaxPackageBytes : kMaxAnswerBytes;

    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Cinevue"));
    request.setTransferTimeout(stallTimeoutMs);
    // Bytes as the server stores them: no transparent decompression, so the
    // announced length is the length received.
    request.setRawHeader(QByteArrayLiteral("Accept-Encoding"), QByteArrayLiteral("identity"));
    std::unique_ptr<QNetworkReply> reply(manager.get(request));

    QByteArray body;
    QString failure;
    auto abortWith = [&](const QString &why) {
        if (failure.isEmpty())
            failure = why;
        reply->abort();
    };
    QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), [&] {
        const QByteArray chunk = reply->readAll();
        result.bytes += chunk.size();
        if (result.bytes > limit)
            return abortWith(u"The response is larger than %1 bytes"_qs.arg(limit));
        if (file) {
            if (file->write(chunk) != chunk.size())
                abortWith(u"Cannot write %1: %2"_qs.arg(localName, file->errorString()));
        } else {
            body += chunk;
        }
    });

    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer cancelPoll;
    if (cancel) {
        QObject::connect(&cancelPoll, &QTimer::timeout, reply.get(), [&] {
            if (cancel->load())
                abortWith(u"Cancelled"_qs);
        });
        cancelPoll.start(kCancelPollMs);
    }
    if (!reply->isFinished())
        loop.exec();
    cancelPoll.stop();

    if (failure.isEmpty() && reply->error() != QNetworkReply::NoError)
        failure = reply->errorString();
    // A body shorter than its announced length is a cut-off transfer, also
    // where the connection's end was not reported as an error.
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    if (failure.isEmpty() && announced.isValid() && announced.toLongLong() != result.bytes)
        failure = u"The transfer ended after %1 of %2 bytes"_qs.arg(result.bytes).arg(announced.toLongLong());
    if (!failure.isEmpty()) {
        if (file)
            file->cancelWriting();
        result.error = failure;
        return result;
    }

    if (file) {
        if (!file->commit()) {
            result.error = u"Cannot write %1: %2"_qs.arg(localName, file->errorString());
            return result;
        }
        result.ok = true;
        return result;
    }
    result.ok = ParseUpdateAnswer(body, update);
    if (!result.ok)
        result.error = u"The answer is not a complete CinevueInfo document"_qs;
    return result;
}
