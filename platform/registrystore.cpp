#include "platform/registrystore.h"

#include "platform/paths.h"

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSaveFile>

namespace {

QString hiveTag(RegistryHive hive) { return hive == RegistryHive::LocalMachine ? u"HKLM"_qs : u"HKCU"_qs; }

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'%' || c == u'=' || c == u'[' || c == u']' || c == u'\r' || c == u'\n')
            out += u'%' + QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
        else
            out += c;
    }
    return out;
}

int hexDigit(QChar c)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

// A '%' not followed by two hexadecimal digits stays as it is.
QString unescaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'%' && i + 2 < text.size()) {
            const int high = hexDigit(text.at(i + 1));
            const int low = hexDigit(text.at(i + 2));
            if (high >= 0 && low >= 0) {
                out += QChar(char16_t(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out += text.at(i);
    }
    return out;
}

// One line below a key: a value, or a line this version cannot read, which is
// kept as it is so that writing never loses it.
struct Entry {
    QString name; // empty for a kept line
    RegistryValue value;
    QString rawLine;
};

struct Key {
    QString header; // "HKCU\Software\..." as written; empty for lines before the first key
    QList<Entry> entries;
};

std::optional<RegistryValue> parseValue(const QString &text)
{
    if (text.startsWith(u"text:"))
        return RegistryValue{RegistryValue::Text, unescaped(text.mid(5)), {}};
    if (text.startsWith(u"hex:")) {
        if (const auto bytes = HexToBytes(text.mid(4)))
            return RegistryValue{RegistryValue::Binary, {}, *bytes};
    }
    return std::nullopt;
}

QString formatValue(const RegistryValue &v)
{
    return v.type == RegistryValue::Binary ? u"hex:"_qs + BytesToHex(v.data) : u"text:"_qs + escaped(v.text);
}

struct Document {
    QList<Key> keys;

    Key *find(const QString &header)
    {
        for (Key &k : keys) {
            if (k.header.compare(header, Qt::CaseInsensitive) == 0)
                return &k;
        }
        return nullptr;
    }
};

QString keyHeader(RegistryHive hive, const QString &keyPath) { return hiveTag(hive) + u'\\' + escaped(keyPath); }

// std::nullopt when the file exists but cannot be read; an absent file is an
// empty document.
std::optional<Document> load(const QString &path)
{
    Document doc;
    doc.keys.append(Key{});
    QFile file(path);
    if (!file.exists())
        return doc;
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(u"\r\n"_qs, u"\n"_qs);
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (line.isEmpty() && i == lines.size() - 1)
            break;
        if (line.startsWith(u'[') && line.endsWith(u']') && line.size() > 2) {
            doc.keys.append(Key{line.mid(1, line.size() - 2), {}});
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        std::optional<RegistryValue> value;
        if (eq > 0 && !doc.keys.last().header.isEmpty())
            value = parseValue(line.mid(eq + 1));
        if (value)
            doc.keys.last().entries.append(Entry{unescaped(line.left(eq)), *value, {}});
        else
            doc.keys.last().entries.append(Entry{{}, {}, line});
    }
    return doc;
}

bool save(const QString &path, const Document &doc)
{
    QString text;
    for (const Key &k : doc.keys) {
        if (!k.header.isEmpty())
            text += u'[' + k.header + u"]\n"_qs;
        for (const Entry &e : k.entries)
            text += (e.name.isEmpty() ? e.rawLine : escaped(e.name) + u'=' + formatValue(e.value)) + u'\n';
    }
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

QMutex g_defaultMutex;
std::shared_ptr<IRegistryStore> g_store;

} // namespace

bool IRegistryStore::writeText(RegistryHive hive, const QString &keyPath, const QString &valueName,
                               const QString &text)
{
    return writeValue(hive, keyPath, valueName, RegistryValue{RegistryValue::Text, text, {}});
}

bool IRegistryStore::writeBinary(RegistryHive hive, const QString &keyPath, const QString &valueName,
                                 const QByteArray &data)
{
    return writeValue(hive, keyPath, valueName, RegistryValue{RegistryValue::Binary, {}, data});
}

FileRegistryStore::FileRegistryStore(QString filePath)
    : m_filePath(std::move(filePath))
{
}

std::optional<RegistryValue> FileRegistryStore::readValue(RegistryHive hive, const QString &keyPath,
                                                          const QString &valueName) const
{
    QMutexLocker lock(&m_mutex);
    auto doc = load(m_filePath);
    if (!doc)
        return std::nullopt;
    const Key *key = doc->find(keyHeader(hive, keyPath));
    if (!key)
        return std::nullopt;
    // The last of repeated names wins, as for a file edited by hand.
    for (auto it = key->entries.crbegin(); it != key->entries.crend(); ++it) {
        if (!it->name.isEmpty() && it->name.compare(valueName, Qt::CaseInsensitive) == 0)
            return it->value;
    }
    return std::nullopt;
}

bool FileRegistryStore::writeValue(RegistryHive hive, const QString &keyPath, const QString &valueName,
                                   const RegistryValue &value)
{
    if (valueName.isEmpty())
        return false;
    QMutexLocker lock(&m_mutex);
    auto doc = load(m_filePath);
    if (!doc)
        return false; // an unreadable file is not replaced
    const QString header = keyHeader(hive, keyPath);
    Key *key = doc->find(header);
    if (!key) {
        doc->keys.append(Key{header, {}});
        key = &doc->keys.last();
    }
    key->entries.removeIf([&](const Entry &e) { return e.name.compare(valueName, Qt::CaseInsensitive) == 0; });
    key->entries.append(Entry{valueName, value, {}});
    return save(m_filePath, *doc);
}

bool FileRegistryStore::deleteValue(RegistryHive hive, const QString &keyPath, const QString &valueName)
{
    QMutexLocker lock(&m_mutex);
    auto doc = load(m_filePath);
    if (!doc)
        return false;
    Key *key = doc->find(keyHeader(hive, keyPath));
    if (!key)
        return true;
    const auto removed = key->entries.removeIf(
        [&](const Entry &e) { return !e.name.isEmpty() && e.name.compare(valueName, Qt::CaseInsensitive) == 0; });
    return removed == 0 || save(m_filePath, *doc);
}

std::shared_ptr<IRegistryStore> RegistryStore()
{
    QMutexLocker lock(&g_defaultMutex);
    if (!g_store)
        g_store = std::make_shared<FileRegistryStore>(ResolveAppPath() + u"Registry.ini"_qs);
    return g_store;
}

void SetRegistryStore(std::shared_ptr<IRegistryStore> store)
{
    QMutexLocker lock(&g_defaultMutex);
    g_store = std::move(store);
}

QString ReadRegistryValue(const IRegistryStore &store, RegistryHive hive, const QString &keyPath,
                          const QString &valueName, const QString &mode)
{
    const QString error = u"ERROR"_qs;
    const bool hex = mode == u"Hex";
    if (!mode.isEmpty() && !hex)
        return error;
    const auto value = store.readValue(hive, keyPath, valueName);
    if (!value)
        return error;
    if (hex)
        return value->type == RegistryValue::Binary ? BytesToHex(value->data) : error;

    // Text mode does not check the type: binary data is read as UTF-16 text.
    QString text = value->type == RegistryValue::Text
        ? value->text
        : QString::fromUtf16(reinterpret_cast<const char16_t *>(value->data.constData()), value->data.size() / 2);
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

QString ReadRegistryValue(RegistryHive hive, const QString &keyPath, const QString &valueName, const QString &mode)
{
    return ReadRegistryValue(*RegistryStore(), hive, keyPath, valueName, mode);
}

bool WriteRegistryHex(IRegistryStore &store, RegistryHive hive, const QString &keyPath, const QString &valueName,
                      const QString &hex)
{
    const auto bytes = HexToBytes(hex.left(hex.size() - hex.size() % 2));
    return bytes && store.writeBinary(hive, keyPath, valueName, *bytes);
}

bool WriteRegistryHex(RegistryHive hive, const QString &keyPath, const QString &valueName, const QString &hex)
{
    return WriteRegistryHex(*RegistryStore(), hive, keyPath, valueName, hex);
}

QString BytesToHex(const QByteArray &bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }

std::optional<QByteArray> HexToBytes(const QString &hex)
{
    if (hex.size() % 2 != 0)
        return std::nullopt;
    for (const QChar c : hex) {
        if (hexDigit(c) < 0)
            return std::nullopt;
    }
    return QByteArray::fromHex(hex.toLatin1());
}
