#include "localdatabase.h"

#include "model/valueconv.h"
#include "platform/filesystem.h"
#include "platform/paths.h"
#include "platform/textfile.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringEncoder>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <pugixml.hpp>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <vector>

using namespace Qt::StringLiterals;

QString DatabaseFilePath(const QString &appPath)
{
    return QDir(appPath).filePath(QString::fromUtf16(kDatabaseFileName));
}

// ================================================================ writer

namespace {

// Converts into one reused buffer: pugixml copies every value, so a fresh
// QByteArray per string would only add an allocation.
class Utf8Scratch
{
public:
    std::pair<const char *, size_t> operator()(const QString &s)
    {
        const qsizetype needed = s.size() * 3 + 1;
        if (m_buffer.size() < needed)
            m_buffer.resize(needed);
        char *end = m_encoder.appendToBuffer(m_buffer.data(), s);
        *end = '\0';
        return {m_buffer.constData(), size_t(end - m_buffer.constData())};
    }

private:
    QStringEncoder m_encoder{QStringEncoder::Utf8};
    QByteArray m_buffer;
};

class DocumentBuilder
{
public:
    void setAttribute(pugi::xml_node node, const char *name, const QString &value)
    {
        const auto [data, size] = m_utf8(value);
        node.append_attribute(name).set_value(data, size);
    }

    // An empty string gives an empty element.
    pugi::xml_node addText(pugi::xml_node parent, const char *name, const QString &value)
    {
        pugi::xml_node child = parent.append_child(name);
        if (!value.isEmpty()) {
            const auto [data, size] = m_utf8(value);
            child.append_child(pugi::node_pcdata).set_value(data, size);
        }
        return child;
    }

    void addBool(pugi::xml_node parent, const char *name, bool value)
    {
        parent.append_child(name).append_child(pugi::node_pcdata).set_value(value ? "True" : "False");
    }

    void addInt(pugi::xml_node parent, const char *name, qint32 value)
    {
        parent.append_child(name).text().set(value);
    }

    // A CDATA section cannot hold "]]>", so the text is split after each "]]"
    // into consecutive sections; the reader joins them again.
    void addCData(pugi::xml_node parent, const char *name, const QString &value)
    {
        pugi::xml_node child = parent.append_child(name);
        const auto [data, size] = m_utf8(value);
        const std::string_view text(data, size);
        size_t start = 0;
        for (;;) {
            const size_t hit = text.find("]]>", start);
            const size_t end = hit == std::string_view::npos ? size : hit + 2;
            child.append_child(pugi::node_cdata).set_value(data + start, end - start);
            if (hit == std::string_view::npos)
                break;
            start = end;
        }
    }

    void addList(pugi::xml_node parent, const char *listName, const char *itemName, const QStringList &items)
    {
        pugi::xml_node list = parent.append_child(listName);
        for (const QString &item : items)
            addText(list, itemName, item);
    }

    // Crew lists and actors drop entries without a name.
    void addNames(pugi::xml_node parent, const char *listName, const char *itemName, const QStringList &names)
    {
        pugi::xml_node list = parent.append_child(listName);
        for (const QString &name : names)
            if (!name.isEmpty())
                addText(list, itemName, name);
    }

    void addTitle(pugi::xml_node titles, const tTitle &t)
    {
        pugi::xml_node n = titles.append_child("Title");
        addText(n, "ID", t.ID);
        addText(n, "PID", t.PID);
        addText(n, "Name", t.Title);
        addText(n, "Sort", t.SortTitle);
        addText(n, "Dir", t.Directory);
        addInt(n, "ColNum", t.CollectionNum);
        addText(n, "Media", MediaTypeName(t.MediaType));
        addBool(n, "Lent", t.Lent);
        addBool(n, "Online", t.Online);
        addBool(n, "SBSPar", t.SeriesBoxSetParent);
        addBool(n, "SBSKid", t.SeriesBoxSetChild);
        addText(n, "Ed", t.Edition);
        addText(n, "AspRat", t.AspectRatio);
        addText(n, "VidStd", t.VideoStandard);

        pugi::xml_node tracks = n.append_child("AudioTracks");
        for (const tAudioTracks &a : t.AudioTracks) {
            pugi::xml_node at = tracks.append_child("AT");
            setAttribute(at, "C", a.Channels);
            setAttribute(at, "T", a.AudioType);
            setAttribute(at, "L", a.Language);
        }
        pugi::xml_node subtitles = n.append_child("Subtitles");
        for (const QString &s : t.Subtitles)
            setAttribute(subtitles.append_child("S"), "L", s);

        pugi::xml_node discs = n.append_child("Discs");
        for (const tDiscInfo &d : t.DiscInfo) {
            pugi::xml_node dn = discs.append_child("D");
            setAttribute(dn, "C", ContainerName(d.Container));
            setAttribute(dn, "N", d.Name);
            setAttribute(dn, "L", d.Loc);
            for (const tEpisode &e : d.Episodes) {
                pugi::xml_node en = dn.append_child("Episode");
                setAttribute(en, "R", e.Runtime);
                setAttribute(en, "P", e.MPLS);
                setAttribute(en, "N", e.EpiName);
                setAttribute(en, "L", e.Loc);
                en.append_attribute("E").set_value(e.EpiNum);
                en.append_attribute("S").set_value(e.Season);
            }
        }

        addText(n, "DT", DiscTypeName(t.DiscType));
        addText(n, "ImgFol", t.ImgFolder);
        addText(n, "ImgFrnt", t.ImgFront);
        addText(n, "ImgCovFrnt", t.ImgCoverFront);
        addText(n, "ImgCovBack", t.ImgCoverBack);
        addText(n, "ImgFanArt", t.ImgFanArt);
        addInt(n, "Year", t.Year);
        addInt(n, "Runtime", t.Runtime);
        addText(n, "RelDate", t.ReleaseDate);
        addText(n, "AddDate", t.AddedDate);
        addBool(n, "Watched", t.Watched);
        addBool(n, "WatchedCVB", t.WatchedCVB);
        addBool(n, "WatchList", t.WatchList);
        addCData(n, "Desc", t.Description);
        addCData(n, "Extras", t.ExtraFeatures);
        addInt(n, "Stars", t.Stars);
        addText(n, "Rated", t.Rated);
        addText(n, "RatedDesc", t.RatedDesc);
        addBool(n, "Adult", t.RatedAdult);
        addBool(n, "TVRating", t.TVRating);
        addList(n, "Genres", "G", t.Genres);
        addList(n, "Categories", "C", t.Cats);

        pugi::xml_node actors = n.append_child("Actor");
        for (const tActor &a : t.Actors) {
            if (a.Actor.isEmpty())
                continue;
            pugi::xml_node an = addText(actors, "A", a.Actor);
            setAttribute(an, "R", a.Role);
        }
        addNames(n, "Director", "D", t.Crew.Director);
        addNames(n, "Writer", "W", t.Crew.Writer);
        addNames(n, "Producer", "P", t.Crew.Producer);
        addNames(n, "Cinematography", "C", t.Crew.Cinematography);
        addNames(n, "Editor", "E", t.Crew.Editor);
        addNames(n, "Music", "M", t.Crew.Music);
        addNames(n, "Sound", "S", t.Crew.Sound);
        addNames(n, "Art", "A", t.Crew.Art);
    }

private:
    Utf8Scratch m_utf8;
};

class SaveFileWriter : public pugi::xml_writer
{
public:
    explicit SaveFileWriter(QSaveFile &file) : m_file(file) {}
    void write(const void *data, size_t size) override
    {
        if (m_failed)
            return;
        errno = 0;
        if (m_file.write(static_cast<const char *>(data), qint64(size)) != qint64(size)) {
            m_failed = true;
            m_errno = errno;
        }
    }
    bool failed() const { return m_failed; }
    int savedErrno() const { return m_errno; }

private:
    QSaveFile &m_file;
    bool m_failed = false;
    int m_errno = 0;
};

} // namespace

bool WriteDatabaseFile(const QString &path, const tTitles &titles, const QString &progVersion, QString *error)
{
    const auto fail = [&](const QString &reason) {
        if (error)
            *error = u"%1 could not be written to %2: %3"_s.arg(QString::fromUtf16(kDatabaseFileName), path, reason);
        return false;
    };

    pugi::xml_document doc;
    DocumentBuilder builder;
    pugi::xml_node root = doc.append_child("CVB_Database");
    root.append_attribute("Titles").set_value(qint32(titles.Title.size()));
    builder.setAttribute(root, "CVBVer", progVersion);
    builder.addList(root, "Genres", "G", titles.MyGenres);
    builder.addList(root, "Categories", "C", titles.MyCats);
    pugi::xml_node list = root.append_child("Titles");
    for (const tTitle &t : titles.Title)
        builder.addTitle(list, t);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    SaveFileWriter writer(file);
    // The declaration carries the version only, so it is written by hand.
    writer.write("<?xml version=\"1.0\"?>", 21);
    doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    if (writer.failed()) {
        const QString reason = WriteFailureText(file, writer.savedErrno());
        file.cancelWriting();
        return fail(reason);
    }
    errno = 0;
    if (!file.commit()) {
        const int savedErrno = errno;
        return fail(WriteFailureText(file, savedErrno));
    }
    return true;
}

// ---------------------------------------------------------------- writer thread

LocalDatabaseWriter::LocalDatabaseWriter(QObject *parent) : QObject(parent)
{
    m_thread.reset(QThread::create([this] { run(); }));
    m_thread->setObjectName(u"UpdateLocalDB"_s);
    m_thread->start();
}

LocalDatabaseWriter::~LocalDatabaseWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread->wait();
}

quint64 LocalDatabaseWriter::request(const tTitles &titles, const QString &appPath, const QString &progVersion)
{
    quint64 ticket = 0;
    {
        std::lock_guard lock(m_mutex);
        m_pending = Request{titles, appPath, progVersion};
        ticket = ++m_lastTicket;
        m_pendingTicket = ticket;
    }
    m_wake.notify_all();
    return ticket;
}

QString LocalDatabaseWriter::waitFor(quint64 ticket, const std::function<void()> &pump)
{
    std::unique_lock lock(m_mutex);
    const auto done = [&] { return m_doneTicket >= ticket; };
    if (!pump) {
        m_idle.wait(lock, done);
        return m_lastError;
    }
    while (!m_idle.wait_for(lock, std::chrono::milliseconds(10), done)) {
        lock.unlock();
        pump();
        lock.lock();
    }
    return m_lastError;
}

void LocalDatabaseWriter::waitForIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return !m_pending && !m_busy; });
}

void LocalDatabaseWriter::run()
{
    for (;;) {
        std::optional<Request> job;
        quint64 ticket = 0;
        {
            std::unique_lock lock(m_mutex);
            // Pending work is finished before a stop, so nothing requested is lost.
            m_wake.wait(lock, [this] { return m_pending || m_stopping; });
            if (!m_pending)
                return;
            job.swap(m_pending);
            ticket = m_pendingTicket;
            m_busy = true;
        }

        QString error;
        const bool ok = WriteDatabaseFile(DatabaseFilePath(job->appPath), job->titles, job->progVersion, &error);
        if (!ok) {
            qWarning("%s", qUtf8Printable(error));
            const QString logDir = LogsPath(job->appPath);
            QDir().mkpath(logDir);
            // An append-only error log: earlier failures stay readable.
            QFile log(QDir(logDir).filePath(u"DatabaseErrors.txt"_s));
            if (log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
                log.write(QDateTime::currentDateTime().toString(u"yyyy-MM-dd hh:mm:ss"_s).toUtf8());
                log.write("  ");
                log.write(error.toUtf8());
                log.write("\n");
            }
        }
        job.reset(); // drop the collection copy before reporting idle

        {
            std::lock_guard lock(m_mutex);
            m_busy = false;
            m_doneTicket = ticket;
            m_lastError = error;
        }
        m_idle.notify_all();
        if (ok)
            emit writeFinished();
        else
            emit writeFailed(error);
    }
}

namespace {
std::mutex g_sharedWriterMutex;
LocalDatabaseWriter *g_sharedWriter = nullptr;

void destroySharedWriter()
{
    LocalDatabaseWriter *writer = nullptr;
    {
        std::lock_guard lock(g_sharedWriterMutex);
        std::swap(writer, g_sharedWriter);
    }
    delete writer; // finishes pending writes
}
} // namespace

LocalDatabaseWriter &DatabaseWriter()
{
    std::lock_guard lock(g_sharedWriterMutex);
    if (!g_sharedWriter) {
        g_sharedWriter = new LocalDatabaseWriter;
        // Stopped while the application object still exists, so that the
        // exit path finishes the last write before anything is torn down.
        qAddPostRoutine(destroySharedWriter);
    }
    return *g_sharedWriter;
}

void UpdateLocalDB(const tTitles &titles, const QString &appPath, const QString &progVersion)
{
    DatabaseWriter().request(titles, appPath, progVersion);
}

void WaitForDatabaseWriter()
{
    LocalDatabaseWriter *writer = nullptr;
    {
        std::lock_guard lock(g_sharedWriterMutex);
        writer = g_sharedWriter;
    }
    if (writer)
        writer->waitForIdle();
}

// ================================================================ reader

namespace {

struct LoadFailure {
    QString text;
};

inline QString fromUtf8(const char *s)
{
    const size_t n = std::strlen(s);
    return n ? QString::fromUtf8(s, qsizetype(n)) : QString();
}

// The element's text: its text and CDATA children joined (a long description
// may come as several CDATA sections). The parser keeps a leading text child in
// the element itself (parse_embed_pcdata).
QString elementText(pugi::xml_node node)
{
    const char *embedded = node.value();
    pugi::xml_node first = node.first_child();
    if (!first)
        return fromUtf8(embedded);
    if (!*embedded && !first.next_sibling()) {
        const pugi::xml_node_type type = first.type();
        return type == pugi::node_pcdata || type == pugi::node_cdata ? fromUtf8(first.value()) : QString();
    }
    QByteArray joined(embedded);
    for (pugi::xml_node c = first; c; c = c.next_sibling())
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            joined.append(c.value());
    return QString::fromUtf8(joined);
}

// Shares one QString among equal short values (people, roles, languages,
// genres, image names, dates...): they repeat across titles, and sharing them
// saves most of the allocations of a load and much of the memory of the
// collection. Keys point into the parse buffer, so a pool lives for one load.
class StringPool
{
public:
    StringPool() { m_slots.resize(1 << 12); }

    QString operator()(const char *s)
    {
        // FNV-1a, computed in the same pass as the length.
        quint64 hash = 14695981039346656037ull;
        size_t n = 0;
        for (; s[n]; ++n)
            hash = (hash ^ uchar(s[n])) * 1099511628211ull;
        if (n == 0)
            return {};
        if (n > kLongest)
            return QString::fromUtf8(s, qsizetype(n));
        const size_t mask = m_slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot &slot = m_slots[i];
            if (!slot.key) {
                slot = Slot{s, quint32(n), hash, QString::fromUtf8(s, qsizetype(n))};
                QString value = slot.value;
                if (++m_used * 2 > m_slots.size())
                    grow();
                return value;
            }
            if (slot.hash == hash && slot.length == n && std::memcmp(slot.key, s, n) == 0)
                return slot.value;
        }
    }

private:
    static constexpr size_t kLongest = 80;
    struct Slot {
        const char *key = nullptr;
        quint32 length = 0;
        quint64 hash = 0;
        QString value;
    };
    void grow()
    {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        const size_t mask = m_slots.size() - 1;
        for (Slot &slot : old) {
            if (!slot.key)
                continue;
            size_t i = slot.hash & mask;
            while (m_slots[i].key)
                i = (i + 1) & mask;
            m_slots[i] = std::move(slot);
        }
    }

    std::vector<Slot> m_slots;
    size_t m_used = 0;
};

// elementText() for values that repeat.
QString pooledText(pugi::xml_node node, StringPool &pool)
{
    if (!node.first_child())
        return pool(node.value());
    return elementText(node);
}

// The text of a number or Boolean element.
inline const char *valueText(pugi::xml_node node)
{
    const char *embedded = node.value();
    return *embedded ? embedded : node.child_value();
}

int elementChildCount(pugi::xml_node node)
{
    int n = 0;
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element)
            ++n;
    return n;
}

template <typename F>
void forEachElement(pugi::xml_node node, F &&f)
{
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
        if (c.type() == pugi::node_element)
            f(c);
}

QStringList textList(pugi::xml_node node, StringPool &pool)
{
    QStringList list;
    list.reserve(elementChildCount(node));
    forEachElement(node, [&](pugi::xml_node c) { list.append(pooledText(c, pool)); });
    return list;
}

// Same rules as TextToInt, without a detour through QString for the usual
// plain digits.
std::optional<qint32> parseInt(const char *s)
{
    const char *p = s;
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    }
    if (*p) {
        qint64 v = 0;
        int digits = 0;
        while (*p >= '0' && *p <= '9' && digits < 11) {
            v = v * 10 + (*p - '0');
            ++p;
            ++digits;
        }
        if (!*p && digits > 0 && digits <= 10) {
            v = negative ? -v : v;
            if (v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max())
                return qint32(v);
            return std::nullopt;
        }
    }
    return TextToInt(QString::fromUtf8(s));
}

bool parseBool(const char *s)
{
    if (std::strcmp(s, "True") == 0)
        return true;
    if (std::strcmp(s, "False") == 0)
        return false;
    return TextToBool(QString::fromUtf8(s));
}

bool isEightDigits(const char *s)
{
    for (int i = 0; i < 8; ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return s[8] == '\0';
}

// The child elements of <Title>, in the order the writer puts them.
enum Field {
    fID, fPID, fName, fSort, fDir, fColNum, fMedia, fLent, fOnline, fSBSPar, fSBSKid, fEd, fAspRat, fVidStd,
    fAudioTracks, fSubtitles, fDiscs, fDT, fImgFol, fImgFrnt, fImgCovFrnt, fImgCovBack, fImgFanArt, fYear,
    fRuntime, fRelDate, fAddDate, fWatched, fWatchedCVB, fWatchList, fDesc, fExtras, fStars, fRated,
    fRatedDesc, fAdult, fTVRating, fGenres, fCategories, fActor, fDirector, fWriter, fProducer,
    fCinematography, fEditor, fMusic, fSound, fArt, kFieldCount
};
constexpr const char *kFieldNames[kFieldCount] = {
    "ID", "PID", "Name", "Sort", "Dir", "ColNum", "Media", "Lent", "Online", "SBSPar", "SBSKid", "Ed", "AspRat",
    "VidStd", "AudioTracks", "Subtitles", "Discs", "DT", "ImgFol", "ImgFrnt", "ImgCovFrnt", "ImgCovBack",
    "ImgFanArt", "Year", "Runtime", "RelDate", "AddDate", "Watched", "WatchedCVB", "WatchList", "Desc", "Extras",
    "Stars", "Rated", "RatedDesc", "Adult", "TVRating", "Genres", "Categories", "Actor", "Director", "Writer",
    "Producer", "Cinematography", "Editor", "Music", "Sound", "Art"};

class TitleReader
{
public:
    TitleReader(const QString &lastMountedFile, const QDateTime &now, StringPool &pool)
        : m_lastMounted(lastMountedFile), m_pool(pool)
    {
        // Ignore the "no image" markers so that they never match a disc.
        m_matchDrive = !lastMountedFile.isEmpty() && lastMountedFile != u"ERROR";
        // A title is new while now < (midnight of AddDate) + 672 hours, i.e.
        // while its midnight lies after now - 672 hours: a plain date comparison.
        const QDate cutoff = now.addSecs(-672 * 3600).toLocalTime().date();
        m_newCutoff = cutoff.year() * 10000 + cutoff.month() * 100 + cutoff.day();
    }

    void read(pugi::xml_node node, int position, tTitle &t)
    {
        m_node = node;
        m_position = position;
        bool haveAddDate = false;
        int expected = 0;
        for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element)
                continue;
            const char *name = c.name();
            // Our own files come in writing order: one comparison per element.
            int field = -1;
            if (expected < kFieldCount && std::strcmp(name, kFieldNames[expected]) == 0) {
                field = expected;
            } else {
                for (int i = 0; i < kFieldCount; ++i)
                    if (std::strcmp(name, kFieldNames[i]) == 0) {
                        field = i;
                        break;
                    }
            }
            if (field < 0)
                continue; // unknown elements are ignored
            expected = field + 1;
            if (field == fAddDate)
                haveAddDate = true;
            readField(Field(field), c, t);
        }
        if (!haveAddDate)
            t.AddedDate = u"99990101"_s;
        t.New = isNew(t.AddedDate);
    }

private:
    [[noreturn]] void fail(const QString &what) const
    {
        const QString id = elementText(m_node.child("ID"));
        throw LoadFailure{u"%1: title %2 (ID %3): %4"_s.arg(QString::fromUtf16(kDatabaseFileName))
                              .arg(m_position + 1)
                              .arg(id.isEmpty() ? u"none"_s : id, what)};
    }

    qint32 intValue(const char *text, const QString &what) const
    {
        if (const auto v = parseInt(text))
            return *v;
        fail(u"%1 \"%2\" is not a whole number"_s.arg(what, fromUtf8(text)));
    }
    template <typename Place>
    qint32 intValue(const char *text, const QString &what, Place &&place) const
    {
        if (const auto v = parseInt(text))
            return *v;
        fail(place() + u": "_s + what + u" \"%1\" is not a whole number"_s.arg(fromUtf8(text)));
    }

    template <typename E>
    E enumValue(pugi::xml_node c, std::optional<E> (*lookup)(const QString &), const char *kind) const
    {
        const QString name = elementText(c);
        if (const auto v = lookup(name))
            return *v;
        fail(u"%1 \"%2\" is not a %3"_s.arg(QString::fromUtf8(c.name()), name, QString::fromUtf8(kind)));
    }

    QList<tDiscInfo> readDiscs(pugi::xml_node discs, tTitle &t)
    {
        QList<tDiscInfo> list;
        list.reserve(elementChildCount(discs));
        int discNumber = 0;
        forEachElement(discs, [&](pugi::xml_node dn) {
            ++discNumber;
            tDiscInfo d;
            d.InDrive = false;
            pugi::xml_attribute container;
            for (pugi::xml_attribute a = dn.first_attribute(); a; a = a.next_attribute()) {
                const char *name = a.name();
                if (!name[0] || name[1])
                    continue;
                switch (name[0]) {
                case 'L': d.Loc = fromUtf8(a.value()); break;
                case 'C': container = a; break;
                case 'N': d.Name = m_pool(a.value()); break;
                }
            }
            if (container) {
                const QString name = fromUtf8(container.value());
                const auto value = ContainerFromName(name);
                if (!value)
                    fail(u"disc %1: C \"%2\" is not a container"_s.arg(discNumber).arg(name));
                d.Container = *value;
            }
            if (m_matchDrive && d.Loc == m_lastMounted) {
                d.InDrive = true;
                t.InDrive = true;
            }
            d.Episodes.reserve(elementChildCount(dn));
            int episodeNumber = 0;
            forEachElement(dn, [&](pugi::xml_node en) {
                ++episodeNumber;
                tEpisode e;
                const char *epiNum = nullptr;
                const char *season = nullptr;
                for (pugi::xml_attribute a = en.first_attribute(); a; a = a.next_attribute()) {
                    const char *name = a.name();
                    if (!name[0] || name[1])
                        continue;
                    switch (name[0]) {
                    case 'R': e.Runtime = m_pool(a.value()); break;
                    case 'P': e.MPLS = m_pool(a.value()); break;
                    case 'N': e.EpiName = m_pool(a.value()); break;
                    case 'L': e.Loc = m_pool(a.value()); break;
                    case 'E': epiNum = a.value(); break;
                    case 'S': season = a.value(); break;
                    }
                }
                const auto place = [&] { return u"disc %1, episode %2"_s.arg(discNumber).arg(episodeNumber); };
                if (!epiNum)
                    fail(place() + u": the E attribute is missing"_s);
                if (!season)
                    fail(place() + u": the S attribute is missing"_s);
                e.EpiNum = intValue(epiNum, u"E"_s, place);
                e.Season = intValue(season, u"S"_s, place);
                d.Episodes.append(std::move(e));
            });
            list.append(std::move(d));
        });
        return list;
    }

    void readField(Field field, pugi::xml_node c, tTitle &t)
    {
        switch (field) {
        case fID: t.ID = elementText(c); break;
        case fPID: t.PID = elementText(c); break;
        case fName: t.Title = elementText(c); break;
        case fSort: t.SortTitle = elementText(c); break;
        case fDir: t.Directory = elementText(c); break;
        case fColNum: t.CollectionNum = intValue(valueText(c), u"ColNum"_s); break;
        case fMedia: t.MediaType = enumValue(c, &MediaTypeFromName, "media type"); break;
        case fLent: t.Lent = parseBool(valueText(c)); break;
        case fOnline: t.Online = parseBool(valueText(c)); break;
        case fSBSPar: t.SeriesBoxSetParent = parseBool(valueText(c)); break;
        case fSBSKid: t.SeriesBoxSetChild = parseBool(valueText(c)); break;
        case fEd: t.Edition = pooledText(c, m_pool); break;
        case fAspRat: t.AspectRatio = pooledText(c, m_pool); break;
        case fVidStd: t.VideoStandard = pooledText(c, m_pool); break;
        case fAudioTracks:
            t.AudioTracks.clear();
            t.AudioTracks.reserve(elementChildCount(c));
            forEachElement(c, [&](pugi::xml_node at) {
                tAudioTracks track;
                for (pugi::xml_attribute a = at.first_attribute(); a; a = a.next_attribute()) {
                    const char *name = a.name();
                    if (!name[0] || name[1])
                        continue;
                    switch (name[0]) {
                    case 'C': track.Channels = m_pool(a.value()); break;
                    case 'T': track.AudioType = m_pool(a.value()); break;
                    case 'L': track.Language = m_pool(a.value()); break;
                    }
                }
                t.AudioTracks.append(std::move(track));
            });
            break;
        case fSubtitles:
            t.Subtitles.clear();
            t.Subtitles.reserve(elementChildCount(c));
            forEachElement(c, [&](pugi::xml_node s) { t.Subtitles.append(m_pool(s.attribute("L").value())); });
            break;
        case fDiscs:
            t.InDrive = false;
            t.DiscInfo = readDiscs(c, t);
            break;
        case fDT: t.DiscType = enumValue(c, &DiscTypeFromName, "disc type"); break;
        case fImgFol: t.ImgFolder = pooledText(c, m_pool); break;
        case fImgFrnt: t.ImgFront = pooledText(c, m_pool); break;
        case fImgCovFrnt: t.ImgCoverFront = pooledText(c, m_pool); break;
        case fImgCovBack: t.ImgCoverBack = pooledText(c, m_pool); break;
        case fImgFanArt: t.ImgFanArt = pooledText(c, m_pool); break;
        case fYear: t.Year = intValue(valueText(c), u"Year"_s); break;
        case fRuntime: t.Runtime = intValue(valueText(c), u"Runtime"_s); break;
        case fRelDate: t.ReleaseDate = elementText(c); break;
        case fAddDate: {
            const char *text = valueText(c);
            // An empty element counts as a missing date, like an absent one.
            if (!*text) {
                t.AddedDate = u"99990101"_s;
                break;
            }
            if (!isEightDigits(text) || !QDate::isValid(parseDigits(text, 4), parseDigits(text + 4, 2),
                                                          parseDigits(text + 6, 2)))
                fail(u"AddDate \"%1\" is not a valid date (yyyymmdd)"_s.arg(fromUtf8(text)));
            t.AddedDate = QString::fromLatin1(text, 8);
            break;
        }
        case fWatched: t.Watched = parseBool(valueText(c)); break;
        case fWatchedCVB: t.WatchedCVB = parseBool(valueText(c)); break;
        case fWatchList: t.WatchList = parseBool(valueText(c)); break;
        case fDesc: t.Description = elementText(c); break;
        case fExtras: t.ExtraFeatures = elementText(c); break;
        case fStars: t.Stars = intValue(valueText(c), u"Stars"_s); break;
        case fRated: t.Rated = pooledText(c, m_pool); break;
        case fRatedDesc: t.RatedDesc = pooledText(c, m_pool); break;
        case fAdult: t.RatedAdult = parseBool(valueText(c)); break;
        case fTVRating: t.TVRating = parseBool(valueText(c)); break;
        case fGenres: t.Genres = textList(c, m_pool); break;
        case fCategories: t.Cats = textList(c, m_pool); break;
        case fActor:
            t.Actors.clear();
            t.Actors.reserve(elementChildCount(c));
            forEachElement(c, [&](pugi::xml_node a) {
                t.Actors.append(tActor{pooledText(a, m_pool), m_pool(a.attribute("R").value())});
            });
            break;
        case fDirector: t.Crew.Director = textList(c, m_pool); break;
        case fWriter: t.Crew.Writer = textList(c, m_pool); break;
        case fProducer: t.Crew.Producer = textList(c, m_pool); break;
        case fCinematography: t.Crew.Cinematography = textList(c, m_pool); break;
        case fEditor: t.Crew.Editor = textList(c, m_pool); break;
        case fMusic: t.Crew.Music = textList(c, m_pool); break;
        case fSound: t.Crew.Sound = textList(c, m_pool); break;
        case fArt: t.Crew.Art = textList(c, m_pool); break;
        case kFieldCount: break;
        }
    }

    static int parseDigits(const char *s, int count)
    {
        int v = 0;
        for (int i = 0; i < count; ++i)
            v = v * 10 + (s[i] - '0');
        return v;
    }

    bool isNew(const QString &addedDate) const
    {
        // AddedDate has been checked to be eight digits (or is the marker).
        const QByteArray latin = addedDate.toLatin1();
        const int ymd = parseDigits(latin.constData(), 8);
        return ymd > m_newCutoff;
    }

    QString m_lastMounted;
    StringPool &m_pool;
    bool m_matchDrive = false;
    int m_newCutoff = 0;
    pugi::xml_node m_node;
    int m_position = 0;
};

void removeIfPresent(const QString &path)
{
    if (QFile::exists(path) && !QFile::remove(path))
        qWarning("Could not delete %s", qUtf8Printable(QDir::toNativeSeparators(path)));
}

} // namespace

// Parse flags: no end-of-line or attribute-whitespace normalisation, so that
// a "\r\n" in a description or a tab in a name reads back exactly as written;
// text kept in its element rather than in a node of its own (fewer nodes).
// Smallest number of titles worth a thread of its own, and the most threads.
static constexpr int kTitlesPerPart = 256;
static constexpr int kMaxParts = 8;

static constexpr unsigned kParseOptions = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_embed_pcdata;

unsigned DatabaseParseOptions()
{
    return kParseOptions;
}

LoadResult LoadLocalDatabase(const QString &appPath, const QString &progVersion, bool autoScan,
                             const QString &lastMountedFile, const QDateTime &now, const LoadProgress &progress)
{
    LoadResult result;
    const auto setStatus = [&](const QString &text) {
        result.statusText = text;
        if (progress.status)
            progress.status(text);
    };
    const QString fileName = QString::fromUtf16(kDatabaseFileName);
    const QString snapshotPath = SmartSyncFile(appPath);
    const auto deleteSnapshot = [&] {
        removeIfPresent(snapshotPath);
        result.snapshotDeleted = !QFile::exists(snapshotPath);
    };
    const auto failWith = [&](const QString &error) {
        result = LoadResult{LoadResult::Error, {}, error, {}, error, false};
        deleteSnapshot();
        if (progress.status)
            progress.status(error);
        return result;
    };

    if (progress.processing)
        progress.processing(u"Loading Titles"_s);
    setStatus(u"Reading CinevueDB.XML..."_s);
    if (progress.titleNumber)
        progress.titleNumber(0);

    removeIfPresent(QDir(appPath).filePath(QString::fromUtf16(kObsoleteDatabaseFileName)));

    // A regular file only: a FIFO under the name must not hang the start.
    RegularFileRead file = ReadRegularFile(DatabaseFilePath(appPath), kMaxDatabaseBytes);
    if (!file.ok())
        return failWith(u"%1 could not be opened: %2"_s.arg(fileName, file.reason));
    QByteArray buffer = std::move(file.data);

    pugi::xml_document doc;
    const pugi::xml_parse_result parsed =
        doc.load_buffer_inplace(buffer.data(), size_t(buffer.size()), kParseOptions, pugi::encoding_utf8);
    if (!parsed)
        return failWith(u"%1 is not well-formed XML: %2 at byte %3"_s.arg(fileName, QString::fromUtf8(parsed.description()))
                            .arg(parsed.offset));
    const pugi::xml_node root = doc.document_element();

    // Version gate: ordinal text comparison; no attribute sorts below anything.
    const pugi::xml_attribute versionAttribute = root.attribute("CVBVer");
    const QString fileVersion = fromUtf8(versionAttribute.value());
    if (!versionAttribute || fileVersion.compare(QString::fromUtf16(kMinimumDatabaseVersion)) < 0) {
        result.status = LoadResult::Rejected;
        deleteSnapshot();
        if (!autoScan) {
            result.messageBoxText = u"Cinevue Local Database is from an older version ("_s + fileVersion
                                    + u") that is not compatible with the current Cinevue version ("_s + progVersion
                                    + u"). "_s + u"\r\n"_s + u"\r\n"_s
                                    + u"Local Database not loaded.  Please run a Sync now to rebuild DB."_s;
            setStatus(u"Load Aborted"_s);
        }
        return result;
    }

    tTitles titles;
    StringPool pool;
    try {
        if (const pugi::xml_node genres = root.child("Genres"))
            titles.MyGenres = textList(genres, pool);
        if (const pugi::xml_node cats = root.child("Categories"))
            titles.MyCats = textList(cats, pool);
        // A database always has its Titles element, even when empty; a file
        // without one is damaged, and taking it for an empty collection
        // would let the next sync trust a snapshot of titles that are gone.
        const pugi::xml_node list = root.child("Titles");
        if (!list)
            throw LoadFailure{u"%1 has no Titles element"_s.arg(fileName)};
        {
            std::vector<pugi::xml_node> nodes;
            forEachElement(list, [&](pugi::xml_node node) { nodes.push_back(node); });
            const int n = int(nodes.size());
            titles.Title.resize(n);
            if (progress.totalTitles)
                progress.totalTitles(u"| "_s + QString::number(n));

            tTitle *entries = titles.Title.data();
            // Anything but <Title> keeps its place with default fields.
            const auto isTitle = [&](int w) { return std::strcmp(nodes[w].name(), "Title") == 0; };
            const auto reportTitle = [&](int w) {
                if (progress.titleNumber)
                    progress.titleNumber(w + 1);
                if (progress.status && !entries[w].Title.isEmpty())
                    progress.status(entries[w].Title);
            };
            // Titles are independent of each other, so a large collection is
            // converted in parts: the first on this thread (reporting as it
            // goes), the others on the global thread pool, each part with its
            // own string pool. The document is only read meanwhile.
            const int parts = std::clamp(std::min(QThread::idealThreadCount(), n / kTitlesPerPart), 1, kMaxParts);
            const auto partStart = [&](int part) { return int(qint64(n) * part / parts); };
            std::vector<QFuture<std::optional<QString>>> helpers;
            for (int part = 1; part < parts; ++part) {
                helpers.push_back(QtConcurrent::run([&, from = partStart(part), to = partStart(part + 1)] {
                    std::optional<QString> failure;
                    StringPool strings;
                    TitleReader reader(lastMountedFile, now, strings);
                    try {
                        for (int w = from; w < to; ++w)
                            if (isTitle(w))
                                reader.read(nodes[w], w, entries[w]);
                    } catch (const LoadFailure &f) {
                        failure = f.text;
                    }
                    return failure;
                }));
            }
            std::optional<QString> failure;
            try {
                TitleReader reader(lastMountedFile, now, pool);
                for (int w = 0; w < partStart(1); ++w) {
                    if (isTitle(w))
                        reader.read(nodes[w], w, entries[w]);
                    reportTitle(w);
                }
            } catch (const LoadFailure &f) {
                failure = f.text;
            }
            // Every part is waited for (they use this frame), and the failure
            // reported is the first in document order.
            for (auto &helper : helpers) {
                helper.waitForFinished();
                if (!failure)
                    failure = helper.result();
            }
            if (failure)
                throw LoadFailure{*failure};
            for (int w = partStart(1); w < n; ++w)
                reportTitle(w);
        }
    } catch (const LoadFailure &failure) {
        return failWith(failure.text);
    }

    result.status = LoadResult::Loaded;
    result.titles = std::move(titles);
    setStatus(u"Load Complete"_s);
    return result;
}
