#include "snapshot.h"

#include "platform/filesystem.h"
#include "platform/textfile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <cerrno>
#include <limits>
#include <new>

EKBDynamic::EKBDynamic(const QString &message) : m_message(message), m_what(message.toUtf8()) {}

namespace {
constexpr qsizetype kWordLimit = 65535;

[[noreturn]] void throwReadError() { throw EKBDynamic(QStringLiteral("Stream read error")); }

[[noreturn]] void throwUnsupported(const TKBTypeInfo &t)
{
    throw EKBDynamicInvalidType(QStringLiteral("Unsupported field type %1").arg(t.kindName));
}

int alignUp(int offset, int align) { return (offset + align - 1) / align * align; }

// Bytes of the UTF-8 form; a lone surrogate has none.
qsizetype utf8Length(const QString &s)
{
    qsizetype n = 0;
    const qsizetype size = s.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = s.at(i).unicode();
        if (c < 0x80) {
            n += 1;
        } else if (c < 0x800) {
            n += 2;
        } else if (QChar::isHighSurrogate(c)) {
            if (i + 1 >= size || !QChar::isLowSurrogate(s.at(i + 1).unicode()))
                throw EKBDynamic(QStringLiteral("UnicodeToUtf8 failed!"));
            n += 4;
            ++i;
        } else if (QChar::isLowSurrogate(c)) {
            throw EKBDynamic(QStringLiteral("UnicodeToUtf8 failed!"));
        } else {
            n += 3;
        }
    }
    return n;
}

// One walk serves both the size computation and the encoding, so the two
// cannot disagree: the sink either counts or appends.
template <typename Sink>
class Encoder
{
public:
    Encoder(Sink &sink, TKBDynamicOptions options) : m_sink(sink), m_options(options) {}

    void value(const void *v, const TKBTypeInfo &t)
    {
        switch (t.kind) {
        case TKBTypeInfo::Plain:
            m_sink.integer(t.load(v), t.layoutSize);
            break;
        case TKBTypeInfo::UnicodeString: {
            const QString &s = *static_cast<const QString *>(v);
            if (m_options & kdoUTF16ToUTF8) {
                const qsizetype bytes = utf8Length(s);
                length(bytes);
                m_sink.utf8(s, bytes);
            } else {
                length(s.size());
                m_sink.utf16(s);
            }
            break;
        }
        case TKBTypeInfo::AnsiString: {
            const auto &s = *static_cast<const tKBAnsiString *>(v);
            length(s.Bytes.size());
            m_sink.bytes(s.Bytes.constData(), s.Bytes.size());
            if (m_options & kdoAnsiStringCodePage)
                m_sink.integer(s.CodePage, 2);
            break;
        }
        case TKBTypeInfo::DynArray: {
            const qsizetype n = t.length(v);
            length(n);
            for (qsizetype i = 0; i < n; ++i)
                value(t.at(const_cast<void *>(v), i), *t.element);
            break;
        }
        case TKBTypeInfo::StaticArray:
            for (int i = 0; i < t.staticCount; ++i)
                value(t.at(const_cast<void *>(v), i), *t.element);
            break;
        case TKBTypeInfo::Record: {
            int cursor = 0;
            for (const TKBField &f : t.fields) {
                m_sink.zeros(f.Offset - cursor);
                value(f.Address(const_cast<void *>(v)), *f.Type);
                cursor = f.Offset + f.Type->layoutSize;
            }
            m_sink.zeros(t.layoutSize - cursor);
            break;
        }
        case TKBTypeInfo::Unsupported:
            throwUnsupported(t);
        }
    }

private:
    void length(qsizetype n)
    {
        if (m_options & kdoLimitToWordSize) {
            if (n > kWordLimit)
                throw EKBDynamicWordLimit(
                    QStringLiteral("Invalid dynamic array size %1 (max %2)").arg(n).arg(kWordLimit));
            m_sink.integer(quint64(n), 2);
        } else {
            if (n > std::numeric_limits<qint32>::max())
                throw EKBDynamicLimit(QStringLiteral("Invalid dynamic array size %1 (max %2)")
                                          .arg(n)
                                          .arg(std::numeric_limits<qint32>::max()));
            m_sink.integer(quint64(n), 4);
        }
    }

    Sink &m_sink;
    TKBDynamicOptions m_options;
};

struct SizeSink {
    qint64 size = 0;
    void integer(quint64, int bytes) { size += bytes; }
    void zeros(int n) { size += n; }
    void bytes(const char *, qsizetype n) { size += n; }
    void utf16(const QString &s) { size += 2 * s.size(); }
    void utf8(const QString &, qsizetype bytes) { size += bytes; }
};

struct ByteSink {
    QByteArray &out;
    void integer(quint64 v, int bytes)
    {
        char b[8];
        qToLittleEndian<quint64>(v, b);
        out.append(b, bytes);
    }
    void zeros(int n) { out.append(n, '\0'); }
    void bytes(const char *p, qsizetype n) { out.append(p, n); }
    void utf16(const QString &s)
    {
        const qsizetype at = out.size();
        out.resize(at + 2 * s.size());
        qToLittleEndian<quint16>(s.utf16(), s.size(), out.data() + at);
    }
    void utf8(const QString &s, qsizetype) { out.append(s.toUtf8()); }
};

// Writes to a device a piece at a time, so that a large snapshot never
// stands whole in memory (past 32 MB every such buffer is fresh pages).
struct DeviceSink {
    static constexpr qsizetype kPiece = 1 << 20;
    QIODevice &device;
    QByteArray buffer;
    ByteSink sink{buffer};

    explicit DeviceSink(QIODevice &d) : device(d) { buffer.reserve(kPiece + 4096); }
    void integer(quint64 v, int bytes) { sink.integer(v, bytes), flushFull(); }
    void zeros(int n) { sink.zeros(n), flushFull(); }
    void bytes(const char *p, qsizetype n) { sink.bytes(p, n), flushFull(); }
    void utf16(const QString &s) { sink.utf16(s), flushFull(); }
    void utf8(const QString &s, qsizetype n) { sink.utf8(s, n), flushFull(); }
    void flush()
    {
        if (!buffer.isEmpty() && device.write(buffer) != buffer.size())
            throw EKBDynamic(QStringLiteral("Stream write error"));
        buffer.resize(0);
    }

private:
    void flushFull()
    {
        if (buffer.size() >= kPiece)
            flush();
    }
};

class Decoder
{
public:
    Decoder(const char *begin, const char *end, TKBDynamicOptions options)
        : m_begin(begin), m_p(begin), m_end(end), m_options(options)
    {
    }
    qint64 consumed() const { return m_p - m_begin; }

    void value(void *v, const TKBTypeInfo &t)
    {
        switch (t.kind) {
        case TKBTypeInfo::Plain:
            t.store(v, integer(t.layoutSize));
            break;
        case TKBTypeInfo::UnicodeString: {
            QString &s = *static_cast<QString *>(v);
            const qsizetype n = length();
            if (m_options & kdoUTF16ToUTF8) {
                need(n);
                const QByteArrayView bytes(m_p, n);
                if (!bytes.isValidUtf8())
                    throw EKBDynamic(QStringLiteral("Utf8ToUnicode failed!"));
                s = QString::fromUtf8(bytes);
                m_p += n;
            } else {
                need(2 * n);
                s = QString(n, Qt::Uninitialized);
                qFromLittleEndian<quint16>(m_p, n, s.data());
                m_p += 2 * n;
            }
            break;
        }
        case TKBTypeInfo::AnsiString: {
            auto &s = *static_cast<tKBAnsiString *>(v);
            const qsizetype n = length();
            need(n);
            s.Bytes = QByteArray(m_p, n);
            m_p += n;
            s.CodePage = (m_options & kdoAnsiStringCodePage) ? quint16(integer(2)) : 0;
            break;
        }
        case TKBTypeInfo::DynArray: {
            const qsizetype n = length();
            // A corrupt count must not allocate beyond what the data can hold.
            const qint64 least = minimumSize(*t.element);
            if (least > 0 ? n > (m_end - m_p) / least : n > (1 << 20))
                throwReadError();
            t.resize(v, n);
            for (qsizetype i = 0; i < n; ++i)
                value(t.at(v, i), *t.element);
            break;
        }
        case TKBTypeInfo::StaticArray:
            for (int i = 0; i < t.staticCount; ++i)
                value(t.at(v, i), *t.element);
            break;
        case TKBTypeInfo::Record: {
            int cursor = 0;
            for (const TKBField &f : t.fields) {
                skip(f.Offset - cursor);
                value(f.Address(v), *f.Type);
                cursor = f.Offset + f.Type->layoutSize;
            }
            skip(t.layoutSize - cursor);
            break;
        }
        case TKBTypeInfo::Unsupported:
            throwUnsupported(t);
        }
    }

private:
    qint64 minimumSize(const TKBTypeInfo &t) const
    {
        const int lengthSize = (m_options & kdoLimitToWordSize) ? 2 : 4;
        switch (t.kind) {
        case TKBTypeInfo::Plain:
            return t.layoutSize;
        case TKBTypeInfo::UnicodeString:
        case TKBTypeInfo::AnsiString:
        case TKBTypeInfo::DynArray:
            return lengthSize;
        case TKBTypeInfo::StaticArray:
            return t.staticCount * minimumSize(*t.element);
        case TKBTypeInfo::Record: {
            qint64 n = t.layoutSize;
            for (const TKBField &f : t.fields)
                n += minimumSize(*f.Type) - f.Type->layoutSize;
            return n;
        }
        case TKBTypeInfo::Unsupported:
            break;
        }
        return 0;
    }

    void need(qint64 n)
    {
        if (n < 0 || m_end - m_p < n)
            throwReadError();
    }
    void skip(qint64 n)
    {
        need(n);
        m_p += n;
    }
    quint64 integer(int bytes)
    {
        need(bytes);
        char b[8] = {};
        memcpy(b, m_p, bytes);
        m_p += bytes;
        return qFromLittleEndian<quint64>(b);
    }
    qsizetype length()
    {
        if (m_options & kdoLimitToWordSize)
            return qsizetype(integer(2));
        const qint32 n = qint32(quint32(integer(4)));
        if (n < 0)
            throwReadError();
        return n;
    }

    const char *m_begin;
    const char *m_p;
    const char *m_end;
    TKBDynamicOptions m_options;
};

QByteArray header(quint16 version, TKBDynamicOptions options)
{
    QByteArray h(TKBDynamic::kHeaderSize, '\0');
    h[0] = char(TKBDynamic::kStreamFormat);
    h[1] = char(0x01 | (quint8(options.toInt()) & 0x1E));
    qToLittleEndian<quint16>(version, h.data() + 2);
    return h;
}

// Answers the options of a matching header, or nothing for another format or version.
std::optional<TKBDynamicOptions> checkHeader(const char *h, quint16 version)
{
    if (quint8(h[0]) != TKBDynamic::kStreamFormat || qFromLittleEndian<quint16>(h + 2) != version)
        return std::nullopt;
    return TKBDynamicOptions::fromInt(quint8(h[1]) & 0x1E);
}
} // namespace

// ---------------------------------------------------------------- type descriptions

TKBType KBUnicodeString()
{
    auto t = std::make_shared<TKBTypeInfo>();
    t->kind = TKBTypeInfo::UnicodeString;
    t->layoutSize = 4;
    t->layoutAlign = 4;
    return t;
}

TKBType KBAnsiString()
{
    auto t = std::make_shared<TKBTypeInfo>();
    t->kind = TKBTypeInfo::AnsiString;
    t->layoutSize = 4;
    t->layoutAlign = 4;
    return t;
}

TKBType KBUnsupported(const QString &kindName)
{
    auto t = std::make_shared<TKBTypeInfo>();
    t->kind = TKBTypeInfo::Unsupported;
    t->kindName = kindName;
    t->layoutSize = 4;
    t->layoutAlign = 4;
    return t;
}

TKBType KBRecord(QList<TKBField> fields)
{
    auto t = std::make_shared<TKBTypeInfo>();
    t->kind = TKBTypeInfo::Record;
    int offset = 0;
    int align = 1;
    for (TKBField &f : fields) {
        offset = alignUp(offset, f.Type->layoutAlign);
        f.Offset = offset;
        offset += f.Type->layoutSize;
        align = qMax(align, f.Type->layoutAlign);
    }
    t->layoutAlign = align;
    t->layoutSize = alignUp(offset, align);
    t->fields = std::move(fields);
    return t;
}

// ---------------------------------------------------------------- serialiser

qint64 TKBDynamic::GetSize(const void *value, const TKBType &type, TKBDynamicOptions options)
{
    SizeSink sink;
    Encoder<SizeSink>(sink, options).value(value, *type);
    return kHeaderSize + sink.size;
}

QByteArray TKBDynamic::Encode(const void *value, const TKBType &type, quint16 version, TKBDynamicOptions options)
{
    QByteArray out;
    out.reserve(GetSize(value, type, options));
    out.append(header(version, options));
    ByteSink sink{out};
    Encoder<ByteSink>(sink, options).value(value, *type);
    return out;
}

void TKBDynamic::WriteTo(QIODevice &stream, const void *value, const TKBType &type, quint16 version,
                         TKBDynamicOptions options, bool preAllocate)
{
    if (preAllocate)
        if (auto *buffer = qobject_cast<QBuffer *>(&stream))
            buffer->buffer().reserve(stream.pos() + GetSize(value, type, options));
    DeviceSink sink(stream);
    const QByteArray head = header(version, options);
    sink.bytes(head.constData(), head.size());
    Encoder<DeviceSink>(sink, options).value(value, *type);
    sink.flush();
}

bool TKBDynamic::Decode(const QByteArray &data, void *value, const TKBType &type, quint16 version, qint64 *consumed)
{
    if (data.size() < kHeaderSize)
        throwReadError();
    const auto options = checkHeader(data.constData(), version);
    if (!options)
        return false;
    Decoder decoder(data.constData() + kHeaderSize, data.constData() + data.size(), *options);
    decoder.value(value, *type);
    if (consumed)
        *consumed = kHeaderSize + decoder.consumed();
    return true;
}

bool TKBDynamic::ReadFrom(QIODevice &stream, void *value, const TKBType &type, quint16 version)
{
    const qint64 start = stream.pos();
    const QByteArray head = stream.read(kHeaderSize);
    if (head.size() < kHeaderSize)
        throwReadError();
    const auto options = checkHeader(head.constData(), version);
    if (!options) {
        if (!stream.isSequential())
            stream.seek(start);
        return false;
    }
    // Decoding from memory is much faster than many small device reads.
    const QByteArray body = stream.readAll();
    Decoder decoder(body.constData(), body.constData() + body.size(), *options);
    decoder.value(value, *type);
    if (!stream.isSequential())
        stream.seek(start + kHeaderSize + decoder.consumed());
    return true;
}

// ---------------------------------------------------------------- the snapshot

const TKBType &DirDiscInfoType()
{
    static const TKBType t = KBRecord({
        KBField(&tDirDiscInfo::XML, KBUnicodeString()),
        KBField(&tDirDiscInfo::FileDate, KBPlain<qint32>()),
        KBField(&tDirDiscInfo::Loc, KBUnicodeString()),
        KBField(&tDirDiscInfo::Container, KBPlain<tContainers>(1)),
        KBField(&tDirDiscInfo::Found, KBPlain<bool>()),
    });
    return t;
}

const TKBType &DirectoryRecType()
{
    static const TKBType t = KBRecord({
        KBField(&tDirectoryRec::Directory, KBUnicodeString()),
        KBField(&tDirectoryRec::mmXMLFile, KBUnicodeString()),
        KBField(&tDirectoryRec::FileDate, KBPlain<qint32>()),
        KBField(&tDirectoryRec::CVBWatchedFileDate, KBPlain<qint32>()),
        KBField(&tDirectoryRec::CVBNotWatchedFileDate, KBPlain<qint32>()),
        KBField(&tDirectoryRec::CVBWatchListFileDate, KBPlain<qint32>()),
        KBField(&tDirectoryRec::DiscInfo, KBDynArray<tDirDiscInfo>(DirDiscInfoType())),
        KBField(&tDirectoryRec::GroupDir, KBPlain<bool>()),
    });
    return t;
}

const TKBType &DirectoriesType()
{
    static const TKBType t = KBDynArray<tDirectoryRec>(DirectoryRecType());
    return t;
}

QByteArray EncodeSnapshot(const tDirectories &directories)
{
    return TKBDynamic::Encode(&directories, DirectoriesType(), kSnapshotVersion);
}

SnapshotLoad LoadSnapshot(const QString &path)
{
    SnapshotLoad result;
    if (!QFileInfo::exists(path))
        return result;
    // A regular file only: a FIFO under the name must not hang the run.
    const RegularFileRead file = ReadRegularFile(path, qint64(1) << 30);
    if (!file.ok()) {
        result.status = SnapshotLoad::Unreadable;
        result.error = file.error;
        return result;
    }
    const QByteArray &data = file.data;
    tDirectories decoded;
    try {
        if (!TKBDynamic::Decode(data, &decoded, DirectoriesType(), kSnapshotVersion)) {
            result.status = SnapshotLoad::OtherFormat;
            return result;
        }
    } catch (const EKBDynamic &e) {
        result.status = SnapshotLoad::Corrupt;
        result.error = QStringLiteral("Cannot decode \"%1\": %2").arg(path, e.message());
        return result;
    } catch (const std::bad_alloc &) {
        result.status = SnapshotLoad::Corrupt;
        result.error = QStringLiteral("Cannot decode \"%1\": out of memory").arg(path);
        return result;
    }
    for (tDirectoryRec &rec : decoded) {
        for (tDirDiscInfo &disc : rec.DiscInfo) {
            if (disc.Container < ctFolder || disc.Container > ctUnknown) {
                result.status = SnapshotLoad::Corrupt;
                result.error = QStringLiteral("Cannot decode \"%1\": invalid container %2 in \"%3\"")
                                   .arg(path)
                                   .arg(int(disc.Container))
                                   .arg(rec.Directory);
                return result;
            }
            disc.Found = false; // only the import sets it
        }
    }
    result.status = SnapshotLoad::Loaded;
    result.Directories = std::move(decoded);
    return result;
}

QString SaveSnapshot(const QString &path, const tDirectories &directories)
{
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Cannot write \"%1\": %2").arg(path, WriteFailureText(file, errno));
    // Encoded straight into the file; the old one stays until the new one
    // is complete.
    try {
        TKBDynamic::WriteTo(file, &directories, DirectoriesType(), kSnapshotVersion, {}, false);
    } catch (const EKBDynamic &e) {
        const bool writeFailed = file.error() != QFileDevice::NoError;
        const QString message = writeFailed
            ? QStringLiteral("Cannot write \"%1\": %2").arg(path, WriteFailureText(file, errno))
            : QStringLiteral("Cannot encode \"%1\": %2").arg(path, e.message());
        file.cancelWriting();
        return message;
    }
    if (!file.commit())
        return QStringLiteral("Cannot write \"%1\": %2").arg(path, WriteFailureText(file, errno));
    return QString();
}
