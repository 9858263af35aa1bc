#include "localdatabase.h"

#include "model/stringpool.h"
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

#include <array>
#include <atomic>
#include <charconv>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;
using namespace std::string_view_literals;

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

// The database text, written straight to the file as it is made: a write
// never holds a second copy of the collection. The output is exactly what the
// XML library prints for the same document without indentation (empty
// elements as "<E/>", attributes in order, its escapes: "&amp;" "&lt;" and in
// text "&gt;", in attributes "&quot;", control characters as "&#NN;" except
// tab, line feed and carriage return in text; a value ends at a NUL
// character), so the reader's parser reads it back unchanged.
class DatabaseText
{
public:
    explicit DatabaseText(QSaveFile &file) : m_file(file) { m_out.reserve(kFlushBytes + 4096); }

    bool failed() const { return m_failed; }
    int savedErrno() const { return m_errno; }

    void raw(std::string_view s)
    {
        m_out.append(s);
        flushSoon();
    }

    void flush()
    {
        if (!m_failed && !m_out.empty()) {
            errno = 0;
            if (m_file.write(m_out.data(), qint64(m_out.size())) != qint64(m_out.size())) {
                m_failed = true;
                m_errno = errno;
            }
        }
        m_out.clear();
    }

    void root(qint32 titleCount, const QString &progVersion)
    {
        m_out.append("<CVB_Database Titles=\"");
        number(titleCount);
        m_out.append("\"");
        attribute("CVBVer", progVersion);
        m_out.append(">");
    }

    void list(std::string_view listName, std::string_view itemName, const QStringList &items)
    {
        if (items.isEmpty()) {
            empty(listName);
            return;
        }
        open(listName);
        for (const QString &item : items)
            element(itemName, item);
        close(listName);
    }

    void title(const tTitle &t)
    {
        open("Title");
        element("ID", t.ID);
        element("PID", t.PID);
        element("Name", t.Title);
        element("Sort", t.SortTitle);
        element("Dir", t.Directory);
        integer("ColNum", t.CollectionNum);
        element("Media", MediaTypeName(t.MediaType));
        boolean("Lent", t.Lent);
        boolean("Online", t.Online);
        boolean("SBSPar", t.SeriesBoxSetParent);
        boolean("SBSKid", t.SeriesBoxSetChild);
        element("Ed", t.Edition);
        element("AspRat", t.AspectRatio);
        element("VidStd", t.VideoStandard);

        if (t.AudioTracks.isEmpty()) {
            empty("AudioTracks");
        } else {
            open("AudioTracks");
            for (const tAudioTracks &a : t.AudioTracks) {
                m_out.append("<AT");
                attribute("C", a.Channels);
                attribute("T", a.AudioType);
                attribute("L", a.Language);
                m_out.append("/>");
            }
            close("AudioTracks");
        }
        if (t.Subtitles.isEmpty()) {
            empty("Subtitles");
        } else {
            open("Subtitles");
            for (const QString &language : t.Subtitles) {
                m_out.append("<S");
                attribute("L", language);
                m_out.append("/>");
            }
            close("Subtitles");
        }
        if (t.DiscInfo.isEmpty()) {
            empty("Discs");
        } else {
            open("Discs");
            for (const tDiscInfo &d : t.DiscInfo) {
                m_out.append("<D");
                attribute("C", ContainerName(d.Container));
                attribute("N", d.Name);
                attribute("L", d.Loc);
                if (d.Episodes.isEmpty()) {
                    m_out.append("/>");
                    continue;
                }
                m_out.append(">");
                for (const tEpisode &e : d.Episodes) {
                    m_out.append("<Episode");
                    attribute("R", e.Runtime);
                    attribute("P", e.MPLS);
                    attribute("N", e.EpiName);
                    attribute("L", e.Loc);
                    m_out.append(" E=\"");
                    number(e.EpiNum);
                    m_out.append("\" S=\"");
                    number(e.Season);
                    m_out.append("\"/>");
                }
                close("D");
            }
            close("Discs");
        }

        element("DT", DiscTypeName(t.DiscType));
        element("ImgFol", t.ImgFolder);
        element("ImgFrnt", t.ImgFront);
        element("ImgCovFrnt", t.ImgCoverFront);
        element("ImgCovBack", t.ImgCoverBack);
        element("ImgFanArt", t.ImgFanArt);
        integer("Year", t.Year);
        integer("Runtime", t.Runtime);
        element("RelDate", t.ReleaseDate);
        element("AddDate", t.AddedDate);
        boolean("Watched", t.Watched);
        boolean("WatchedCVB", t.WatchedCVB);
        boolean("WatchList", t.WatchList);
        cdata("Desc", t.Description);
        cdata("Extras", t.ExtraFeatures);
        integer("Stars", t.Stars);
        element("Rated", t.Rated);
        element("RatedDesc", t.RatedDesc);
        boolean("Adult", t.RatedAdult);
        boolean("TVRating", t.TVRating);
        list("Genres", "G", t.Genres);
        list("Categories", "C", t.Cats);

        // Actors and the crew lists drop entries without a name; an actor
        // without a role gets an empty R.
        bool any = false;
        for (const tActor &a : t.Actors) {
            if (a.Actor.isEmpty())
                continue;
            if (!std::exchange(any, true))
                open("Actor");
            // The name is converted before the role, as the text is met.
            const auto [name, nameSize] = m_utf8(a.Actor);
            m_name.assign(name, nameSize);
            m_out.append("<A");
            attribute("R", a.Role);
            m_out.append(">");
            text(m_name.data(), m_name.size());
            close("A");
        }
        if (any)
            close("Actor");
        else
            empty("Actor");
        names("Director", "D", t.Crew.Director);
        names("Writer", "W", t.Crew.Writer);
        names("Producer", "P", t.Crew.Producer);
        names("Cinematography", "C", t.Crew.Cinematography);
        names("Editor", "E", t.Crew.Editor);
        names("Music", "M", t.Crew.Music);
        names("Sound", "S", t.Crew.Sound);
        names("Art", "A", t.Crew.Art);
        close("Title");
        flushSoon();
    }

private:
    static constexpr size_t kFlushBytes = 1 << 20;

    void flushSoon()
    {
        if (m_out.size() >= kFlushBytes)
            flush();
    }

    void open(std::string_view name)
    {
        m_out.push_back('<');
        m_out.append(name);
        m_out.push_back('>');
    }
    void close(std::string_view name)
    {
        m_out.append("</");
        m_out.append(name);
        m_out.push_back('>');
    }
    void empty(std::string_view name)
    {
        m_out.push_back('<');
        m_out.append(name);
        m_out.append("/>");
    }

    void number(qint32 value)
    {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        m_out.append(digits, size_t(end - digits));
    }

    // An empty string gives an empty element.
    void element(std::string_view name, const QString &value)
    {
        if (value.isEmpty()) {
            empty(name);
            return;
        }
        const auto [data, size] = m_utf8(value);
        open(name);
        text(data, size);
        close(name);
    }
    void boolean(std::string_view name, bool value)
    {
        open(name);
        m_out.append(value ? "True" : "False");
        close(name);
    }
    void integer(std::string_view name, qint32 value)
    {
        open(name);
        number(value);
        close(name);
    }
    void attribute(std::string_view name, const QString &value)
    {
        const auto [data, size] = m_utf8(value);
        m_out.push_back(' ');
        m_out.append(name);
        m_out.append("=\"");
        escaped(data, size, kAttributeEscapes);
        m_out.push_back('"');
    }
    void text(const char *data, size_t size) { escaped(data, size, kTextEscapes); }

    // A CDATA section cannot hold "]]>", so the text is split after each "]]"
    // into consecutive sections; the reader joins them again.
    void cdata(std::string_view name, const QString &value)
    {
        const auto [data, size] = m_utf8(value);
        const std::string_view all(data, size);
        open(name);
        size_t start = 0;
        for (;;) {
            const size_t hit = all.find("]]>", start);
            const size_t end = hit == std::string_view::npos ? size : hit + 2;
            const std::string_view part = all.substr(start, end - start);
            m_out.append("<![CDATA[");
            m_out.append(part.substr(0, part.find('\0')));
            m_out.append("]]>");
            if (hit == std::string_view::npos)
                break;
            start = end;
        }
        close(name);
    }

    void names(std::string_view listName, std::string_view itemName, const QStringList &items)
    {
        bool any = false;
        for (const QString &item : items) {
            if (item.isEmpty())
                continue;
            if (!std::exchange(any, true))
                open(listName);
            element(itemName, item);
        }
        if (any)
            close(listName);
        else
            empty(listName);
    }

    enum Escape : quint8 { kPlain, kEscapeText = 1, kEscapeAttribute = 2 };
    static constexpr quint8 kTextEscapes = kEscapeText;
    static constexpr quint8 kAttributeEscapes = kEscapeAttribute;
    static constexpr std::array<quint8, 256> kEscapes = [] {
        std::array<quint8, 256> table{};
        for (int c = 0; c < 32; ++c)
            table[c] = (c == '\t' || c == '\n' || c == '\r') ? kEscapeAttribute : kEscapeText | kEscapeAttribute;
        table['&'] = table['<'] = kEscapeText | kEscapeAttribute;
        table['>'] = kEscapeText;
        table['"'] = kEscapeAttribute;
        return table;
    }();

    void escaped(const char *data, size_t size, quint8 escapes)
    {
        const char *p = data;
        const char *end = data + size;
        for (;;) {
            const char *run = p;
            while (p < end && !(kEscapes[uchar(*p)] & escapes))
                ++p;
            m_out.append(run, size_t(p - run));
            if (p == end || *p == '\0')
                return;
            switch (const char c = *p++) {
            case '&': m_out.append("&amp;"); break;
            case '<': m_out.append("&lt;"); break;
            case '>': m_out.append("&gt;"); break;
            case '"': m_out.append("&quot;"); break;
            default:
                m_out.append("&#");
                m_out.push_back(char('0' + c / 10));
                m_out.push_back(char('0' + c % 10));
                m_out.push_back(';');
            }
        }
    }

    QSaveFile &m_file;
    std::string m_out;
    std::string m_name;
    Utf8Scratch m_utf8;
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

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    DatabaseText writer(file);
    // The declaration carries the version only.
    writer.raw("<?xml version=\"1.0\"?>");
    writer.root(qint32(titles.Title.size()), progVersion);
    writer.list("Genres", "G", titles.MyGenres);
    writer.list("Categories", "C", titles.MyCats);
    if (titles.Title.isEmpty()) {
        writer.raw("<Titles/>");
    } else {
        writer.raw("<Titles>");
        for (const tTitle &t : titles.Title) {
            writer.title(t);
            if (writer.failed())
                break;
        }
        writer.raw("</Titles>");
    }
    writer.raw("</CVB_Database>");
    writer.flush();
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
        int ymd = 0;
        for (int i = 0; i < 8 && i < addedDate.size(); ++i)
            ymd = ymd * 10 + (addedDate.at(i).unicode() - u'0');
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

// Parse flags: no end-of-line or attribute-whitespace normalisation, so that
// a "\r\n" in a description or a tab in a name reads back exactly as written;
// text kept in its element rather than in a node of its own (fewer nodes).
constexpr unsigned kParseOptions = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_embed_pcdata;
// Smallest number of titles worth a thread of its own, and the most threads.
constexpr int kTitlesPerPart = 256;
constexpr int kMaxParts = 8;
// Entries are read and parsed in batches of about this size.
constexpr qint64 kBatchBytes = 256 * 1024;

// ---------------------------------------------------------------- layout
//
// The file is read in pieces rather than as one document, so that its bytes,
// a document of all of it and the collection are never in memory at once:
// the skeleton (everything before the first entry of the root's first
// <Titles> and after its last entry) and the entries in batches. The same
// parser with the same rules reads every piece, and the elements it finds
// must begin where the scanner saw them, so a file reads exactly as it would
// whole. Whatever the scanner does not expect (and every damaged file) is
// read whole instead.

struct TitlesLayout {
    qint64 titlesTag = -1;           // the '<' of the <Titles> start tag
    std::vector<qint64> entryBegins; // the '<' of each child element of <Titles>
    qint64 entriesEnd = -1;          // just past the last one
};

class LayoutScanner
{
public:
    explicit LayoutScanner(const RegularFile &file) : m_file(file), m_buffer(kBlockBytes) {}

    // False when the file is not laid out as a root element with entries
    // under its first <Titles> child, or when it breaks off.
    bool scan(TitlesLayout &layout)
    {
        if (!more())
            return false;
        if (m_end >= 3 && std::memcmp(m_buffer.data(), "\xef\xbb\xbf", 3) == 0)
            m_begin = 3;
        for (;;) { // the prolog
            if (!toTag())
                return false;
            const char c = at()[1];
            if (isNameStart(c))
                break;
            if (!step(c == '!' && startsWith("<!DOCTYPE") ? doctypeEnd : markupEnd))
                return false;
        }
        bool empty = false;
        if (!startTag(empty) || empty)
            return false;
        for (;;) { // the children of the root, up to the first <Titles>
            if (!toTag())
                return false;
            const char c = at()[1];
            if (c == '!' || c == '?') {
                if (!step(markupEnd))
                    return false;
                continue;
            }
            if (!isNameStart(c))
                return false; // also the end of the root: no Titles
            const qint64 tag = position();
            const bool titles = startsWith("<Titles") && (m_end - m_begin > 7 || more()) && isNameEnd(at()[7]);
            if (!startTag(empty))
                return false;
            if (titles) {
                if (empty)
                    return false;
                layout.titlesTag = tag;
                break;
            }
            if (!empty && !skipContent())
                return false;
        }
        for (;;) { // the entries
            if (!toTag())
                return false;
            const char c = at()[1];
            if (c == '/')
                break;
            // Between entries only comments and CDATA: a declaration is
            // refused inside an element but not at the top of a piece.
            if (c == '!') {
                if (!step(markupEnd))
                    return false;
                continue;
            }
            if (!isNameStart(c))
                return false;
            layout.entryBegins.push_back(position());
            if (!startTag(empty) || (!empty && !skipContent()))
                return false;
            layout.entriesEnd = position();
        }
        return !layout.entryBegins.empty();
    }

private:
    static constexpr size_t kBlockBytes = 1 << 20;
    // Tokens are scanned in the buffer without further reads as long as this
    // much lies ahead.
    static constexpr size_t kLookahead = 64 * 1024;

    // What a token scan answers: the end of the token, nullptr when the
    // buffer ends first, or kBad.
    static inline const char *const kBad = reinterpret_cast<const char *>(1);

    static bool isNameStart(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || uchar(c) >= 0x80;
    }
    static bool isNameEnd(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>'; }

    // Past the first `close` after `open`. Found by its first character:
    // long texts (a synopsis in CDATA) rarely hold it.
    static const char *after(const char *p, const char *end, std::string_view open, std::string_view close)
    {
        for (p += open.size(); p < end;) {
            const void *hit = std::memchr(p, close[0], size_t(end - p));
            if (!hit)
                return nullptr;
            p = static_cast<const char *>(hit);
            if (size_t(end - p) < close.size())
                return nullptr;
            if (std::memcmp(p, close.data(), close.size()) == 0)
                return p + close.size();
            ++p;
        }
        return nullptr;
    }

    // A comment, a CDATA section or a processing instruction.
    static const char *markupEnd(const char *p, const char *end)
    {
        if (end - p < 9)
            return nullptr;
        if (std::memcmp(p, "<!--", 4) == 0)
            return after(p, end, "<!--"sv, "-->"sv);
        if (std::memcmp(p, "<![CDATA[", 9) == 0)
            return after(p, end, "<![CDATA["sv, "]]>"sv);
        if (p[1] == '?')
            return after(p, end, "<?"sv, "?>"sv);
        return kBad;
    }

    static const char *doctypeEnd(const char *p, const char *end)
    {
        char quote = 0;
        int brackets = 0;
        for (p += 9; p < end; ++p) {
            const char c = *p;
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '[') {
                ++brackets;
            } else if (c == ']') {
                --brackets;
            } else if (c == '>' && brackets <= 0) {
                return p + 1;
            }
        }
        return nullptr;
    }

    // Past the '>' of the start tag at p; quoted attribute values may hold '>'.
    static const char *startTagEnd(const char *p, const char *end)
    {
        static constexpr std::array<bool, 256> kStops = [] {
            std::array<bool, 256> stops{};
            stops['>'] = stops['"'] = stops['\''] = true;
            return stops;
        }();
        for (++p; p < end; ++p) {
            while (p < end && !kStops[uchar(*p)])
                ++p;
            if (p == end)
                break;
            if (*p == '>')
                return p + 1;
            const void *close = std::memchr(p + 1, *p, size_t(end - p - 1)); // the closing quote
            if (!close)
                return nullptr;
            p = static_cast<const char *>(close);
        }
        return nullptr;
    }

    static const char *endTagEnd(const char *p, const char *end)
    {
        const void *close = std::memchr(p, '>', size_t(end - p));
        return close ? static_cast<const char *>(close) + 1 : nullptr;
    }

    const char *at() const { return m_buffer.data() + m_begin; }
    qint64 position() const { return m_base + qint64(m_begin); }

    // Reads on, keeping the bytes from the position; false when nothing more came.
    bool more()
    {
        if (m_atEnd)
            return false;
        if (m_begin > 0) {
            std::memmove(m_buffer.data(), at(), m_end - m_begin);
            m_base += qint64(m_begin);
            m_end -= m_begin;
            m_begin = 0;
        }
        if (m_end == m_buffer.size()) // one token fills the buffer
            m_buffer.resize(m_buffer.size() * 2);
        const qint64 room =
            std::min(qint64(m_buffer.size() - m_end), kMaxDatabaseBytes + 1 - m_base - qint64(m_end));
        const qint64 got = room > 0 ? m_file.readAt(m_base + qint64(m_end), m_buffer.data() + m_end, room) : 0;
        if (got <= 0) { // a read error ends the scan as the end of the file does
            m_atEnd = true;
            return false;
        }
        m_end += size_t(got);
        return true;
    }

    bool startsWith(std::string_view s)
    {
        while (m_end - m_begin < s.size())
            if (!more())
                return false;
        return std::memcmp(at(), s.data(), s.size()) == 0;
    }

    // Moves past the token that `end` finds at the position.
    template <typename End>
    bool step(End &&end)
    {
        for (;;) {
            if (m_end - m_begin < kLookahead && !m_atEnd)
                more();
            const char *q = end(at(), m_buffer.data() + m_end);
            if (q == kBad)
                return false;
            if (q) {
                m_begin = size_t(q - m_buffer.data());
                return true;
            }
            if (!more())
                return false;
        }
    }

    bool startTag(bool &empty)
    {
        if (!step(startTagEnd))
            return false;
        empty = at()[-2] == '/';
        return true;
    }

    // Moves to the next '<' with at least one byte after it.
    bool toTag()
    {
        for (;;) {
            if (const void *hit = std::memchr(at(), '<', m_end - m_begin)) {
                m_begin = size_t(static_cast<const char *>(hit) - m_buffer.data());
                if (m_end - m_begin >= 2 || more())
                    return true;
                return false;
            }
            m_begin = m_end;
            if (!more())
                return false;
        }
    }

    // From just past a start tag past the matching end tag.
    bool skipContent()
    {
        for (int depth = 1;;) {
            if (!toTag())
                return false;
            const char c = at()[1];
            if (c == '/') {
                if (!step(endTagEnd))
                    return false;
                if (--depth == 0)
                    return true;
            } else if (c == '!' || c == '?') {
                if (!step(markupEnd))
                    return false;
            } else if (isNameStart(c)) {
                bool empty = false;
                if (!startTag(empty))
                    return false;
                if (!empty)
                    ++depth;
            } else {
                return false;
            }
        }
    }

    const RegularFile &m_file;
    std::vector<char> m_buffer;
    qint64 m_base = 0;  // file offset of m_buffer[0]
    size_t m_begin = 0; // the position in m_buffer
    size_t m_end = 0;   // bytes in m_buffer
    bool m_atEnd = false;
};

// ---------------------------------------------------------------- load

class DatabaseLoad
{
public:
    DatabaseLoad(const QString &appPath, const QString &progVersion, bool autoScan, const QString &lastMountedFile,
                 const QDateTime &now, const LoadProgress &progress)
        : m_appPath(appPath), m_progVersion(progVersion), m_autoScan(autoScan), m_lastMounted(lastMountedFile),
          m_now(now), m_progress(progress), m_fileName(QString::fromUtf16(kDatabaseFileName))
    {
    }

    LoadResult run()
    {
        if (m_progress.processing)
            m_progress.processing(u"Loading Titles"_s);
        setStatus(u"Reading CinevueDB.XML..."_s);
        if (m_progress.titleNumber)
            m_progress.titleNumber(0);

        removeIfPresent(QDir(m_appPath).filePath(QString::fromUtf16(kObsoleteDatabaseFileName)));

        // A regular file only: a FIFO under the name must not hang the start.
        {
            const RegularFile file = RegularFile::open(DatabaseFilePath(m_appPath), kMaxDatabaseBytes);
            if (!file.ok())
                return failWith(u"%1 could not be opened: %2"_s.arg(m_fileName, file.reason()));
            TitlesLayout layout;
            if (LayoutScanner(file).scan(layout)) {
                if (std::optional<LoadResult> done = readInPieces(file, layout))
                    return *std::move(done);
            }
        }
        m_titles = tTitles();
        if (m_titlesShown) { // the pieces gave up part way: start the progress again
            if (m_progress.titleNumber)
                m_progress.titleNumber(0);
            setStatus(u"Reading CinevueDB.XML..."_s);
        }
        return readWhole();
    }

private:
    void setStatus(const QString &text)
    {
        m_result.statusText = text;
        if (m_progress.status)
            m_progress.status(text);
    }

    void deleteSnapshot()
    {
        const QString snapshotPath = SmartSyncFile(m_appPath);
        removeIfPresent(snapshotPath);
        m_result.snapshotDeleted = !QFile::exists(snapshotPath);
    }

    LoadResult failWith(const QString &error)
    {
        m_result = LoadResult{LoadResult::Error, {}, error, {}, error, false};
        deleteSnapshot();
        if (m_progress.status)
            m_progress.status(error);
        return m_result;
    }

    // The version gate: ordinal text comparison; no attribute sorts below
    // anything. The file's version goes to `fileVersion`.
    static bool versionAccepted(pugi::xml_node root, QString *fileVersion)
    {
        const pugi::xml_attribute versionAttribute = root.attribute("CVBVer");
        *fileVersion = fromUtf8(versionAttribute.value());
        return versionAttribute && fileVersion->compare(QString::fromUtf16(kMinimumDatabaseVersion)) >= 0;
    }

    LoadResult reject(const QString &fileVersion)
    {
        m_result.status = LoadResult::Rejected;
        deleteSnapshot();
        if (!m_autoScan) {
            m_result.messageBoxText = u"Cinevue Local Database is from an older version ("_s + fileVersion
                                      + u") that is not compatible with the current Cinevue version ("_s
                                      + m_progVersion + u"). "_s + u"\r\n"_s + u"\r\n"_s
                                      + u"Local Database not loaded.  Please run a Sync now to rebuild DB."_s;
            setStatus(u"Load Aborted"_s);
        }
        return m_result;
    }

    void readLists(pugi::xml_node root)
    {
        if (const pugi::xml_node genres = root.child("Genres"))
            m_titles.MyGenres = textList(genres, m_pool);
        if (const pugi::xml_node cats = root.child("Categories"))
            m_titles.MyCats = textList(cats, m_pool);
    }

    void startTitles(int n)
    {
        m_titlesShown = true;
        m_titles.Title.resize(n);
        if (m_progress.totalTitles)
            m_progress.totalTitles(u"| "_s + QString::number(n));
    }

    LoadResult loaded()
    {
        m_result.status = LoadResult::Loaded;
        m_result.titles = std::move(m_titles);
        setStatus(u"Load Complete"_s);
        return m_result;
    }

    // Titles are independent of each other, so a large collection is
    // converted in parts: the first on this thread (reporting each title as
    // it goes), the others on the global thread pool, each part with its own
    // string pool. `convert(from, to, reader, report)` converts the entries
    // [from, to) and answers the part's first failure; the failure reported
    // is the first in document order.
    template <typename Convert>
    std::optional<QString> convertInParts(Convert &&convert)
    {
        const int n = int(m_titles.Title.size());
        const tTitle *entries = m_titles.Title.constData();
        const std::function<void(int)> report = [&](int w) {
            if (m_progress.titleNumber)
                m_progress.titleNumber(w + 1);
            if (m_progress.status && !entries[w].Title.isEmpty())
                m_progress.status(entries[w].Title);
        };
        const int parts = std::clamp(std::min(QThread::idealThreadCount(), n / kTitlesPerPart), 1, kMaxParts);
        const auto partStart = [&](int part) { return int(qint64(n) * part / parts); };
        std::vector<QFuture<std::optional<QString>>> helpers;
        for (int part = 1; part < parts; ++part) {
            helpers.push_back(QtConcurrent::run([&, from = partStart(part), to = partStart(part + 1)] {
                StringPool strings;
                TitleReader reader(m_lastMounted, m_now, strings);
                return convert(from, to, reader, std::function<void(int)>());
            }));
        }
        std::optional<QString> failure;
        {
            TitleReader reader(m_lastMounted, m_now, m_pool);
            failure = convert(0, partStart(1), reader, report);
        }
        // Every part is waited for: they use this frame.
        for (auto &helper : helpers) {
            helper.waitForFinished();
            if (!failure)
                failure = helper.result();
        }
        if (!failure && !m_unsure)
            for (int w = partStart(1); w < n; ++w)
                report(w);
        return failure;
    }

    // Parses the entries [from, to) in batches and hands each to `visit` with
    // its position. False (and m_unsure set) when a batch does not read as
    // the scanner saw it; the caller then reads the file whole.
    template <typename Visit>
    bool parseEntries(const RegularFile &file, const TitlesLayout &layout, int from, int to, Visit &&visit)
    {
        const std::vector<qint64> &begins = layout.entryBegins;
        const int n = int(begins.size());
        std::vector<char> buffer;
        pugi::xml_document batch;
        for (int w = from; w < to && !m_unsure;) {
            // A batch: whole entries up to about kBatchBytes, with what lies
            // between them and the next one.
            int next = w + 1;
            while (next < to && begins[next] - begins[w] < kBatchBytes)
                ++next;
            const qint64 begin = begins[w];
            const qint64 end = next < n ? begins[next] : layout.entriesEnd;
            buffer.resize(size_t(end - begin));
            if (file.readAt(begin, buffer.data(), end - begin) != end - begin
                || !batch.load_buffer_inplace(buffer.data(), buffer.size(), kParseOptions | pugi::parse_fragment,
                                              pugi::encoding_utf8)) {
                m_unsure = true;
                break;
            }
            for (pugi::xml_node node = batch.first_child(); node; node = node.next_sibling()) {
                if (node.type() != pugi::node_element)
                    continue;
                if (w == next || node.name() != buffer.data() + (begins[w] - begin) + 1) {
                    m_unsure = true;
                    break;
                }
                visit(node, w);
                ++w;
            }
            if (w != next)
                m_unsure = true;
        }
        return !m_unsure;
    }

    // Reads the file in pieces; std::nullopt when it must be read whole.
    std::optional<LoadResult> readInPieces(const RegularFile &file, const TitlesLayout &layout)
    {
        const std::vector<qint64> &begins = layout.entryBegins;
        const qint64 prefix = begins.front();
        std::vector<char> skeleton(size_t(prefix) + kBlockRead);
        if (file.readAt(0, skeleton.data(), prefix) != prefix)
            return std::nullopt;
        size_t used = size_t(prefix);
        for (qint64 offset = layout.entriesEnd;;) {
            if (skeleton.size() - used < kBlockRead)
                skeleton.resize(skeleton.size() + kBlockRead);
            const qint64 got = file.readAt(offset, skeleton.data() + used, qint64(skeleton.size() - used));
            if (got < 0 || qint64(used) + got > kMaxDatabaseBytes)
                return std::nullopt;
            if (got == 0)
                break;
            used += size_t(got);
            offset += got;
        }
        pugi::xml_document doc;
        if (!doc.load_buffer_inplace(skeleton.data(), used, kParseOptions, pugi::encoding_utf8))
            return std::nullopt;
        const pugi::xml_node root = doc.document_element();
        // The <Titles> the parser finds is the one the scanner found, and
        // every entry of it lies outside the skeleton.
        const pugi::xml_node list = root.child("Titles");
        if (!list || list.name() != skeleton.data() + layout.titlesTag + 1 || list.find_child([](pugi::xml_node c) {
                return c.type() == pugi::node_element;
            }))
            return std::nullopt;
        QString fileVersion;
        if (!versionAccepted(root, &fileVersion)) {
            // A file that is not well-formed is an error rather than a
            // rejection, as it would be read whole.
            if (!parseEntries(file, layout, 0, int(begins.size()), [](pugi::xml_node, int) {}))
                return std::nullopt;
            return reject(fileVersion);
        }
        readLists(root);
        doc.reset();
        std::vector<char>().swap(skeleton);

        startTitles(int(begins.size()));
        tTitle *entries = m_titles.Title.data();
        const std::optional<QString> failure = convertInParts([&](int from, int to, TitleReader &reader,
                                                                  const std::function<void(int)> &report) {
            std::optional<QString> partFailure;
            parseEntries(file, layout, from, to, [&](pugi::xml_node node, int w) {
                // Anything but <Title> keeps its place with default fields.
                if (!partFailure && std::strcmp(node.name(), "Title") == 0) {
                    try {
                        reader.read(node, w, entries[w]);
                    } catch (const LoadFailure &f) {
                        // The rest is still parsed: a file that is not
                        // well-formed further on must say so instead.
                        partFailure = f.text;
                    }
                }
                if (report && !partFailure)
                    report(w);
            });
            return partFailure;
        });
        if (m_unsure)
            return std::nullopt;
        if (failure)
            return failWith(*failure);
        return loaded();
    }

    LoadResult readWhole()
    {
        RegularFileRead file = ReadRegularFile(DatabaseFilePath(m_appPath), kMaxDatabaseBytes);
        if (!file.ok())
            return failWith(u"%1 could not be opened: %2"_s.arg(m_fileName, file.reason));
        QByteArray buffer = std::move(file.data);

        pugi::xml_document doc;
        const pugi::xml_parse_result parsed =
            doc.load_buffer_inplace(buffer.data(), size_t(buffer.size()), kParseOptions, pugi::encoding_utf8);
        if (!parsed)
            return failWith(u"%1 is not well-formed XML: %2 at byte %3"_s
                                .arg(m_fileName, QString::fromUtf8(parsed.description()))
                                .arg(parsed.offset));
        const pugi::xml_node root = doc.document_element();
        QString fileVersion;
        if (!versionAccepted(root, &fileVersion))
            return reject(fileVersion);
        readLists(root);
        // A database always has its Titles element, even when empty; a file
        // without one is damaged, and taking it for an empty collection
        // would let the next sync trust a snapshot of titles that are gone.
        const pugi::xml_node list = root.child("Titles");
        if (!list)
            return failWith(u"%1 has no Titles element"_s.arg(m_fileName));
        std::vector<pugi::xml_node> nodes;
        forEachElement(list, [&](pugi::xml_node node) { nodes.push_back(node); });
        startTitles(int(nodes.size()));
        tTitle *entries = m_titles.Title.data();
        // The document is only read meanwhile.
        const std::optional<QString> failure = convertInParts([&](int from, int to, TitleReader &reader,
                                                                  const std::function<void(int)> &report) {
            try {
                for (int w = from; w < to; ++w) {
                    // Anything but <Title> keeps its place with default fields.
                    if (std::strcmp(nodes[w].name(), "Title") == 0)
                        reader.read(nodes[w], w, entries[w]);
                    if (report)
                        report(w);
                }
            } catch (const LoadFailure &f) {
                return std::optional<QString>(f.text);
            }
            return std::optional<QString>();
        });
        if (failure)
            return failWith(*failure);
        return loaded();
    }

    static constexpr qint64 kBlockRead = 64 * 1024;

    const QString m_appPath;
    const QString m_progVersion;
    const bool m_autoScan;
    const QString m_lastMounted;
    const QDateTime m_now;
    const LoadProgress &m_progress;
    const QString m_fileName;
    LoadResult m_result;
    tTitles m_titles;
    StringPool m_pool;
    std::atomic<bool> m_unsure{false}; // a piece did not read as the scanner expected
    bool m_titlesShown = false;        // the progress has shown the number of titles
};

} // namespace

unsigned DatabaseParseOptions()
{
    return kParseOptions;
}

LoadResult LoadLocalDatabase(const QString &appPath, const QString &progVersion, bool autoScan,
                             const QString &lastMountedFile, const QDateTime &now, const LoadProgress &progress)
{
    return DatabaseLoad(appPath, progVersion, autoScan, lastMountedFile, now, progress).run();
}
