#pragma once
// TKBDynamic, a small serialiser for nested growable arrays and records, and
// the directory snapshot file CVB_SmartSync.bin written with it.
//
// Stream: 1 byte format (1), 1 byte option bits, 16-bit data version, then the
// value. A type description says how a value is walked: a record is laid out
// as a 32-bit program would hold it in memory (strings and growable arrays are
// 4-byte references, other fields aligned to their size up to 8, the record
// padded to its alignment); its strings and arrays are encoded in place and
// every other byte of that layout, padding included, is copied. All integers
// are little-endian.

#include "sync/dirrecords.h"

#include <QByteArray>
#include <QFlags>
#include <QIODevice>
#include <QList>
#include <QString>

#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <type_traits>

// ---------------------------------------------------------------- errors

class EKBDynamic : public std::exception
{
public:
    explicit EKBDynamic(const QString &message);
    const QString &message() const { return m_message; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    QString m_message;
    QByteArray m_what;
};

// A type description names a kind the encoding does not handle.
class EKBDynamicInvalidType : public EKBDynamic
{
public:
    using EKBDynamic::EKBDynamic;
};

class EKBDynamicLimit : public EKBDynamic
{
public:
    using EKBDynamic::EKBDynamic;
};

// A string or array longer than 65535 under kdoLimitToWordSize.
class EKBDynamicWordLimit : public EKBDynamicLimit
{
public:
    using EKBDynamicLimit::EKBDynamicLimit;
};

// ---------------------------------------------------------------- options

// Values are the bits of the header's option byte (bit 0 is always set).
enum TKBDynamicOption : quint8 {
    kdoUTF16ToUTF8 = 0x02,          // strings are UTF-8, lengths count bytes
    kdoLimitToWordSize = 0x04,      // lengths and counts are unsigned 16-bit
    kdoAnsiStringCodePage = 0x08,   // byte strings are followed by a 16-bit code page
    kdoCPUArchCompatibility = 0x10, // recorded only; no effect on the encoding
};
Q_DECLARE_FLAGS(TKBDynamicOptions, TKBDynamicOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TKBDynamicOptions)

// A byte string and the code page its bytes are in (0 when not recorded).
struct tKBAnsiString {
    QByteArray Bytes;
    quint16 CodePage = 0;
    bool operator==(const tKBAnsiString &) const = default;
};

// ---------------------------------------------------------------- type descriptions

struct TKBTypeInfo;
using TKBType = std::shared_ptr<const TKBTypeInfo>;

struct TKBField {
    TKBType Type;
    std::function<void *(void *record)> Address; // the field inside a record value
    int Offset = 0;                              // in the walked layout; set by KBRecord
};

struct TKBTypeInfo {
    enum Kind { Plain, UnicodeString, AnsiString, DynArray, StaticArray, Record, Unsupported };
    Kind kind = Plain;
    QString kindName;     // for Unsupported: the name reported in the error
    int layoutSize = 0;   // bytes in the walked layout
    int layoutAlign = 1;
    // Plain: the value as an integer of layoutSize bytes.
    std::function<quint64(const void *)> load;
    std::function<void(void *, quint64)> store;
    // Arrays.
    TKBType element;
    int staticCount = 0;
    std::function<qsizetype(const void *)> length;
    std::function<void(void *, qsizetype)> resize;
    std::function<void *(void *, qsizetype)> at;
    // Record.
    QList<TKBField> fields;
};

// Integers, enumerations and Booleans: `bytes` bytes in the stream (an
// enumeration with fewer than 256 values takes 1).
template <typename T>
TKBType KBPlain(int bytes = int(sizeof(T)))
{
    auto t = std::make_shared<TKBTypeInfo>();
    t->kind = TKBTypeInfo::Plain;
    t->layoutSize = bytes;
    t->layoutAlign = qMin(bytes, 8);
    t->load = [](const void *v) {
        if constexpr (std::is_same_v<T, bool>)
            return quint64(*static_cast<const bool *>(v) ? 1 : 0);
        else
            return quint64(qint64(*static_cast<const T *>(v)));
    };
    t->store = [bytes](void *v, quint64 raw) {
        if constexpr (std::is_same_v<T, bool>) {
            *static_cast<bool *>(v) = raw != 0;
        } else {
            // Sign-extend what was read so that negative values survive.
            const int shift = 64 - 8 * bytes;
            const qint64 value = shift > 0 ? qint64(raw << shift) >> shift : qint64(raw);
            *static_cast<T *>(v) = static_cast<T>(value);
        }
    };
    return t;
}

TKBType KBUnicodeString(); // QString
TKBType KBAnsiString();    // tKBAnsiString
// A kind the encoding does not support; using it raises EKBDynamicInvalidType.
TKBType KBUnsupported(const QString &kindName);

template <typename T>
TKBType KBDynArray(const TKBType &element) // QList<T>
{
    auto t = std::make_shared<TKBTypeInfo>();
    t->kind = TKBTypeInfo::DynArray;
    t->layoutSize = 4;
    t->layoutAlign = 4;
    t->element = element;
    t->length = [](const void *v) { return static_cast<const QList<T> *>(v)->size(); };
    t->resize = [](void *v, qsizetype n) { static_cast<QList<T> *>(v)->resize(n); };
    t->at = [](void *v, qsizetype i) -> void * { return &(*static_cast<QList<T> *>(v))[i]; };
    return t;
}

template <typename T, std::size_t N>
TKBType KBStaticArray(const TKBType &element) // std::array<T, N>
{
    auto t = std::make_shared<TKBTypeInfo>();
    t->kind = TKBTypeInfo::StaticArray;
    t->layoutSize = element->layoutSize * int(N);
    t->layoutAlign = element->layoutAlign;
    t->element = element;
    t->staticCount = int(N);
    t->at = [](void *v, qsizetype i) -> void * { return &(*static_cast<std::array<T, N> *>(v))[i]; };
    return t;
}

template <typename R, typename M>
TKBField KBField(M R::*member, const TKBType &type)
{
    return TKBField{type, [member](void *r) -> void * { return &(static_cast<R *>(r)->*member); }, 0};
}

// Fields in declaration order; offsets, size and alignment are computed here.
TKBType KBRecord(QList<TKBField> fields);

// ---------------------------------------------------------------- serialiser

class TKBDynamic
{
public:
    static constexpr quint8 kStreamFormat = 1;
    static constexpr int kHeaderSize = 4;

    // Writes header and value at the stream's position, a megabyte at a time,
    // so that a large value never stands whole in memory; after a throw part
    // of it may have been written. With `preAllocate` a QBuffer's buffer is
    // grown to the encoded size once, computed first.
    static void WriteTo(QIODevice &stream, const void *value, const TKBType &type, quint16 version,
                        TKBDynamicOptions options = {}, bool preAllocate = true);
    // Reads the header; another format byte or data version moves the stream
    // back to where it was and answers false with `value` untouched. Otherwise
    // decodes with the header's options. Throws EKBDynamic on broken data, in
    // which case `value` may be partly filled.
    static bool ReadFrom(QIODevice &stream, void *value, const TKBType &type, quint16 version);
    // Encoded size in bytes, the header included.
    static qint64 GetSize(const void *value, const TKBType &type, TKBDynamicOptions options = {});

    // The same on memory blocks.
    static QByteArray Encode(const void *value, const TKBType &type, quint16 version, TKBDynamicOptions options = {});
    // Answers false for another format or version; throws on broken data.
    // `consumed` receives the bytes used, header included.
    static bool Decode(const QByteArray &data, void *value, const TKBType &type, quint16 version,
                       qint64 *consumed = nullptr);
};

// ---------------------------------------------------------------- the snapshot

constexpr quint16 kSnapshotVersion = 1;

const TKBType &DirDiscInfoType();
const TKBType &DirectoryRecType();
const TKBType &DirectoriesType();

// The snapshot file: header 01 01 01 00 and the tDirectories value.
QByteArray EncodeSnapshot(const tDirectories &directories);

struct SnapshotLoad {
    enum Status {
        Loaded,      // the file was decoded whole
        Missing,     // no file: the run is a full refresh
        OtherFormat, // another format or version: a full refresh, no error
        Unreadable,  // the file could not be opened or read
        Corrupt,     // truncated or undecodable
    };
    Status status = Missing;
    tDirectories Directories; // empty unless Loaded
    QString error;            // why a present file gave nothing (Unreadable, Corrupt)
    bool loaded() const { return status == Loaded; }
};

// Never throws: anything but a fully decoded file gives an empty snapshot and
// says why, so the run falls back to a full refresh.
SnapshotLoad LoadSnapshot(const QString &path);
// Writes the file whole or not at all; an empty text on success, else why.
QString SaveSnapshot(const QString &path, const tDirectories &directories);
