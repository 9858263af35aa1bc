// Title XML as a sync run imports it. The first input byte picks the form,
// the rest is the file:
//   0  the folder's mymovies.xml, the folder being the disc
//   1  a media file's per-file X.mymovies.xml (the folder's mymovies.xml is a
//      good title, which an enciphered per-file XML falls back to)
//   2  the folder's mymovies.xml behind an enciphered per-file XML
// Each file is imported twice into one collection: a new title, then an
// update of the same title. A rejected file leaves the collection as it was.

#include "fuzzsupport.h"

#include "sync/titleimport.h"

namespace {

const QByteArray kGoodTitle = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Title>\n<ID>Good1</ID>\n"
                              "<LocalTitle>Good</LocalTitle>\n<Type>DVD</Type>\n</Title>\n";
const QByteArray kEnciphered = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<EncryptedData "
                               "xmlns=\"http://www.w3.org/2001/04/xmlenc#\"><CipherData><CipherValue>"
                               "qS0y2MZ0pTtgKQ==</CipherValue></CipherData></EncryptedData>\n";

void checkImport(const ImportResult &r, const tTitles &before, const tTitles &after, const tDirectoryRec &dir)
{
    switch (r.status) {
    case ImportStatus::Imported:
        FUZZ_CHECK(r.titleIndex >= 0 && r.titleIndex < after.Title.size());
        FUZZ_CHECK(!after.Title.at(r.titleIndex).ID.trimmed().isEmpty());
        FUZZ_CHECK(after.Title.size() == before.Title.size() + (r.titleAppended ? 1 : 0));
        break;
    case ImportStatus::Placeholder:
        FUZZ_CHECK(r.titleIndex == -1);
        FUZZ_CHECK(!r.placeholderReason.isEmpty() && !r.errorText.isEmpty());
        FUZZ_CHECK(after == before);
        FUZZ_CHECK(!dir.DiscInfo.at(0).Found);
        break;
    case ImportStatus::Ignored:
        FUZZ_CHECK(after.Title == before.Title);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString movies = fuzz::folder(QStringLiteral("titlexml"));
    static const QString folder = fuzz::folder(QStringLiteral("titlexml/Title (2001)"));
    static const QString mmXml = folder + QStringLiteral("/mymovies.xml");
    static const QString media = folder + QStringLiteral("/Title (2001).mkv");
    static const QString perFileXml = folder + QStringLiteral("/Title (2001).mymovies.xml");
    static const bool mediaWritten = (fuzz::writeFile(media, "media"), true);
    Q_UNUSED(mediaWritten);

    const int form = size > 0 ? data[0] % 3 : 0;
    const QByteArray file = size > 0 ? fuzz::bytes(data + 1, size - 1) : QByteArray();

    tDirectoryRec dir;
    dir.Directory = folder;
    dir.mmXMLFile = mmXml;
    dir.FileDate = 1;
    if (form == 0) {
        fuzz::writeFile(mmXml, file);
        dir.DiscInfo.append(tDirDiscInfo{mmXml, 1, folder, ctFolder, false});
    } else {
        fuzz::writeFile(perFileXml, form == 1 ? file : kEnciphered);
        fuzz::writeFile(mmXml, form == 1 ? kGoodTitle : file);
        dir.DiscInfo.append(tDirDiscInfo{perFileXml, 1, media, ctMKV, false});
    }

    ImportContext ctx;
    ctx.monitoredFolder = movies;
    ctx.lastMountedFile = media;
    ctx.maxActors = 20;
    ctx.debug = true;
    tTitles collection;
    ImportResult first;
    for (int round = 0; round < 2; ++round) {
        const tTitles before = collection;
        tDirectoryRec scanned = dir;
        const ImportResult r = ImportTitleXML(scanned, 0, ctx, collection);
        checkImport(r, before, collection, scanned);
        if (round == 0) {
            first = r;
        } else {
            // The same file again updates the title it made.
            FUZZ_CHECK(r.status == first.status);
            if (r.status == ImportStatus::Imported)
                FUZZ_CHECK(!r.titleAppended && r.titleIndex == first.titleIndex);
        }
    }
    return 0;
}
