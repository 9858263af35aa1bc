#pragma once
// Registry-like values: text and binary values under a key path and a value
// name in one of two hives. On Linux they live in a small file in the program
// folder ("Registry.ini"), keeping the key paths and value names the program
// uses elsewhere (e.g. Software\Elaborate Bytes\VirtualCloneDrive\0,
// LastMountedFile).

#include <QByteArray>
#include <QMutex>
#include <QString>

#include <memory>
#include <optional>

enum class RegistryHive { CurrentUser, LocalMachine };

struct RegistryValue {
    enum Type { Text, Binary };
    Type type = Text;
    QString text;    // Text values
    QByteArray data; // Binary values
    bool operator==(const RegistryValue &) const = default;
};

class IRegistryStore
{
public:
    virtual ~IRegistryStore() = default;
    // std::nullopt when the key or the value does not exist or cannot be read.
    virtual std::optional<RegistryValue> readValue(RegistryHive hive, const QString &keyPath,
                                                   const QString &valueName) const = 0;
    // Creates the key when needed; false when the value could not be stored.
    virtual bool writeValue(RegistryHive hive, const QString &keyPath, const QString &valueName,
                            const RegistryValue &value) = 0;
    // False when the value could not be removed; removing an absent value succeeds.
    virtual bool deleteValue(RegistryHive hive, const QString &keyPath, const QString &valueName) = 0;

    bool writeText(RegistryHive hive, const QString &keyPath, const QString &valueName, const QString &text);
    bool writeBinary(RegistryHive hive, const QString &keyPath, const QString &valueName, const QByteArray &data);
};

// The store kept in one text file. Key paths and value names are compared
// ignoring letter case, as the registry does. The file is read at every access
// and replaced whole at every write, so several stores on the same file, and
// edits made by hand between runs, stay consistent.
//
// File format (UTF-8): a line "[<hive>\<key path>]" opens a key ("HKCU" or
// "HKLM"); below it "<name>=text:<text>" or "<name>=hex:<hex digits>". In names
// and texts '%', '=', '[', ']', CR and LF are written as %XX.
class FileRegistryStore : public IRegistryStore
{
public:
    explicit FileRegistryStore(QString filePath);
    QString filePath() const { return m_filePath; }

    std::optional<RegistryValue> readValue(RegistryHive hive, const QString &keyPath,
                                           const QString &valueName) const override;
    bool writeValue(RegistryHive hive, const QString &keyPath, const QString &valueName,
                    const RegistryValue &value) override;
    bool deleteValue(RegistryHive hive, const QString &keyPath, const QString &valueName) override;

private:
    QString m_filePath;
    mutable QMutex m_mutex;
};

// The store used by ReadRegistryValue and the other parts of the program. By
// default a FileRegistryStore on ResolveAppPath() + "Registry.ini", made on
// first use; SetRegistryStore replaces it (nullptr restores the default).
std::shared_ptr<IRegistryStore> RegistryStore();
void SetRegistryStore(std::shared_ptr<IRegistryStore> store);

// Reads one value as text. `mode` empty: the text value up to its first NUL
// (a binary value is taken as UTF-16 text). `mode` "Hex": a binary value as
// two upper-case hexadecimal digits per byte, no separators (an empty value
// gives an empty text). "ERROR" when the value is absent, cannot be read, is
// not binary in "Hex" mode, or `mode` is anything else.
QString ReadRegistryValue(const IRegistryStore &store, RegistryHive hive, const QString &keyPath,
                          const QString &valueName, const QString &mode = QString());
QString ReadRegistryValue(RegistryHive hive, const QString &keyPath, const QString &valueName,
                          const QString &mode = QString());

// Stores `hex` as a binary value, two digits a byte (length / 2 bytes, so a
// last odd digit is dropped). False when the text holds a non-hexadecimal
// digit or the value could not be stored.
bool WriteRegistryHex(IRegistryStore &store, RegistryHive hive, const QString &keyPath, const QString &valueName,
                      const QString &hex);
bool WriteRegistryHex(RegistryHive hive, const QString &keyPath, const QString &valueName, const QString &hex);

// Bytes as upper-case hexadecimal text, and back (two digits per byte; an odd
// length or a non-hexadecimal digit gives std::nullopt).
QString BytesToHex(const QByteArray &bytes);
std::optional<QByteArray> HexToBytes(const QString &hex);
