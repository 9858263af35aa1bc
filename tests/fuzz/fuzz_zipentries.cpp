// An update package: the input extracted as a zip file into a fresh folder.
// The folder's parent holds nothing else, so anything written outside the
// folder shows up there; inside, only plain files and folders may appear,
// and a refused entry leaves the folder empty. The same input also goes
// through the entry check alone: made-by byte, four bytes of external
// attributes, then the name.

#include "fuzzsupport.h"

#include "update/zipextract.h"

#include <QDirIterator>
#include <QFileInfo>

namespace {

void checkEntry(const uint8_t *data, size_t size)
{
    if (size < 5)
        return;
    const quint8 madeBy = data[0];
    const quint32 attributes = quint32(data[1]) | quint32(data[2]) << 8 | quint32(data[3]) << 16 | quint32(data[4]) << 24;
    const QString name = QString::fromUtf8(fuzz::bytes(data + 5, size - 5));
    const ZipEntryCheck check = CheckZipEntry(name, madeBy, attributes);
    FUZZ_CHECK(!ZipEntryVerdictText(check.verdict).isEmpty());
    if (check.verdict != ZipEntryVerdict::Safe)
        return;
    // A safe path is relative and stays below the folder it is joined to.
    FUZZ_CHECK(!check.path.isEmpty());
    FUZZ_CHECK(!check.path.contains(QLatin1Char('\\')));
    FUZZ_CHECK(!check.path.startsWith(QLatin1Char('/')));
    for (const QString &component : check.path.split(QLatin1Char('/')))
        FUZZ_CHECK(!component.isEmpty() && component != u"." && component != u"..");
    FUZZ_CHECK((check.permissions & ~07777u) == 0);
}

// The entries below `folder`, relative; aborts on anything but a plain file
// or a folder.
QStringList contents(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        FUZZ_CHECK(!info.isSymLink());
        FUZZ_CHECK(info.isFile() || info.isDir());
        found.append(QDir(folder).relativeFilePath(info.filePath()));
    }
    return found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString work = fuzz::folder(QStringLiteral("zip"));
    static const QString zipPath = work + QStringLiteral("/package.zip");
    static const QString target = work + QStringLiteral("/out");

    checkEntry(data, size);

    fuzz::writeFile(zipPath, fuzz::bytes(data, size));
    FUZZ_CHECK(QDir().mkpath(target));
    const ZipExtractResult r = ExtractZip(zipPath, target);

    // Nothing beside the package and the target folder.
    QStringList beside = QDir(work).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    beside.sort();
    FUZZ_CHECK((beside == QStringList{QStringLiteral("out"), QStringLiteral("package.zip")}));

    const QStringList written = contents(target);
    FUZZ_CHECK(r.ok == r.error.isEmpty());
    if (r.error.startsWith(u"The package entry \"") && r.error.contains(u"is refused"))
        FUZZ_CHECK(written.isEmpty());
    if (r.ok) {
        // Joined as text: QDir::filePath takes ":x" for a resource path.
        for (const QString &file : r.files)
            FUZZ_CHECK(QFileInfo(target + u'/' + file).isFile());
        for (const QString &folder : r.folders)
            FUZZ_CHECK(QFileInfo(target + u'/' + folder).isDir());
    }
    FUZZ_CHECK(QDir(target).removeRecursively());
    return 0;
}
