#include "textfile.h"

#include "platform/filesystem.h"

#include <QFile>
#include <QFileDevice>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <cstring>

QString WriteFailureText(const QFileDevice &file, int savedErrno)
{
    const QString reported = file.errorString();
    if (savedErrno != 0 && (reported.isEmpty() || reported == QStringLiteral("Unknown error")))
        return QString::fromLocal8Bit(std::strerror(savedErrno));
    return reported;
}

bool WriteTextFile(const QString &path, const QStringList &lines, QString *error)
{
    QStringEncoder encoder(QStringEncoder::System);
    QByteArray data;
    for (const QString &line : lines) {
        data += encoder.encode(line);
        data += "\r\n";
    }
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        const int savedErrno = errno;
        if (error)
            *error = QStringLiteral("Could not write \"%1\": %2").arg(path, WriteFailureText(file, savedErrno));
        return false;
    }
    return true;
}

bool ReadTextFile(const QString &path, QStringList *lines, QString *error)
{
    // A regular file only: a FIFO under the name must not hang the start.
    const RegularFileRead file = ReadRegularFile(path, 16 * 1024 * 1024);
    if (!file.ok()) {
        if (error)
            *error = file.error;
        return false;
    }
    const QByteArray &data = file.data;
    QString text;
    if (data.startsWith("\xEF\xBB\xBF")) {
        text = QString::fromUtf8(data.constData() + 3, data.size() - 3);
    } else {
        QStringDecoder decoder(QStringDecoder::System);
        text = decoder.decode(data);
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    QStringList result = text.split(u'\n');
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast(); // the line end of the last line
    *lines = result;
    return true;
}
