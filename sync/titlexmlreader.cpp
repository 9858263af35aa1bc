#include "titlexmlreader.h"

#include "platform/filesystem.h"
#include "sync/dirrecords.h"
#include "sync/titleimport.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// Parses in place: the document's texts live in `buffer`, which must outlive it.
bool loadXml(pugi::xml_document &doc, QByteArray &buffer, const QString &path, QString &detail)
{
    // Attribute whitespace is left as it is: no attribute that is read holds any.
    constexpr unsigned kOptions = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_eol;
    // Only a regular file is read (a FIFO under the name would block the
    // run for ever), and only up to a size no real title file reaches.
    RegularFileRead file = ReadRegularFile(path, kMaxTitleXmlBytes);
    if (!file.ok()) {
        detail = file.error;
        return false;
    }
    const pugi::xml_parse_result r = doc.load_buffer_inplace(file.data.data(), size_t(file.data.size()), kOptions);
    buffer = std::move(file.data); // the same bytes: the document keeps pointing into them
    if (r)
        return true;
    detail = QStringLiteral("%1 (offset %2)").arg(QString::fromUtf8(r.description())).arg(r.offset);
    return false;
}

// Cuts every text and attribute value longer than kMaxFieldBytes at a
// character boundary; answers how many were cut.
int capFieldSizes(pugi::xml_document &doc)
{
    int cut = 0;
    const auto capped = [&](const char *value, std::string &out) {
        const size_t n = std::strlen(value);
        if (n <= size_t(kMaxFieldBytes))
            return false;
        size_t end = size_t(kMaxFieldBytes);
        while (end > 0 && (static_cast<unsigned char>(value[end]) & 0xC0) == 0x80)
            --end; // not inside a UTF-8 sequence
        out.assign(value, end);
        ++cut;
        return true;
    };
    std::string buffer;
    std::vector<pugi::xml_node> stack{doc};
    while (!stack.empty()) {
        const pugi::xml_node node = stack.back();
        stack.pop_back();
        if ((node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) && capped(node.value(), buffer))
            pugi::xml_node(node).set_value(buffer.c_str());
        for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
            if (capped(a.value(), buffer))
                a.set_value(buffer.c_str());
        for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
            stack.push_back(child);
    }
    return cut;
}

// A field can only be overlong in a file larger than one field.
int capFieldSizesOf(LoadedTitleXml &loaded)
{
    return loaded.buffer.size() > kMaxFieldBytes ? capFieldSizes(loaded.doc) : 0;
}

} // namespace

TitleXmlJob TitleXmlJobFor(const tDirectoryRec &dir, qsizetype discIndex)
{
    TitleXmlJob job;
    if (discIndex < 0 || discIndex >= dir.DiscInfo.size())
        return job;
    const tDirDiscInfo &k = dir.DiscInfo.at(discIndex);
    const bool perFile = !k.XML.isEmpty() && k.XML != dir.mmXMLFile;
    job.file = k.XML.isEmpty() ? dir.mmXMLFile : k.XML;
    if (perFile)
        job.fallback = dir.mmXMLFile;
    return job;
}

QList<TitleXmlJob> TitleXmlJobsFor(const QList<tDirectoryRec> &dirs)
{
    QList<TitleXmlJob> jobs;
    for (const tDirectoryRec &dir : dirs)
        for (qsizetype k = 0; k < dir.DiscInfo.size(); ++k)
            jobs.append(TitleXmlJobFor(dir, k));
    return jobs;
}

std::unique_ptr<LoadedTitleXml> LoadTitleXml(const TitleXmlJob &job)
{
    auto loaded = std::make_unique<LoadedTitleXml>();
    loaded->job = job;
    if (job.file.isEmpty()) {
        loaded->detail = QStringLiteral("no title XML");
        return loaded;
    }
    if (!loadXml(loaded->doc, loaded->buffer, job.file, loaded->detail))
        return loaded;
    // A field beyond any real title's size (a synopsis, a name) is cut, so
    // that one damaged file cannot swell the database and the window.
    loaded->cutFields = capFieldSizesOf(*loaded);
    const bool enciphered = std::strcmp(loaded->doc.document_element().name(), "EncryptedData") == 0;
    if (enciphered && !job.fallback.isEmpty()) {
        loaded->fellBack = true;
        loaded->doc.reset();
        loaded->buffer.clear();
        if (!loadXml(loaded->doc, loaded->buffer, job.fallback, loaded->detail))
            return loaded;
        loaded->cutFallbackFields = capFieldSizesOf(*loaded);
    }
    loaded->ok = true;
    return loaded;
}

TitleXmlReader::TitleXmlReader(QList<TitleXmlJob> jobs, int threads)
    : m_jobs(std::move(jobs)),
      m_loaded(size_t(m_jobs.size()))
{
    // No more workers than files to read between them.
    const qsizetype workers = std::min<qsizetype>(std::max(threads, 0), m_jobs.size() / 2);
    m_workers.reserve(size_t(workers));
    for (qsizetype i = 0; i < workers; ++i)
        m_workers.emplace_back([this] { work(); });
}

TitleXmlReader::~TitleXmlReader()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread &worker : m_workers)
        worker.join();
}

int TitleXmlReader::DefaultThreads()
{
    return std::clamp(int(std::thread::hardware_concurrency()) - 1, 1, 4);
}

void TitleXmlReader::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] {
            return m_stopping || m_claimed >= m_jobs.size() || m_claimed < m_taken + kWindow;
        });
        if (m_stopping || m_claimed >= m_jobs.size())
            return;
        const qsizetype job = m_claimed++;
        lock.unlock();
        std::unique_ptr<LoadedTitleXml> loaded = LoadTitleXml(m_jobs.at(job));
        lock.lock();
        m_loaded[size_t(job)] = std::move(loaded);
        m_changed.notify_all();
    }
}

std::unique_ptr<LoadedTitleXml> TitleXmlReader::take()
{
    std::unique_lock lock(m_mutex);
    if (m_taken >= m_jobs.size())
        return nullptr;
    const qsizetype job = m_taken++;
    if (m_workers.empty()) {
        lock.unlock();
        return LoadTitleXml(m_jobs.at(job));
    }
    // A job no worker has started yet is loaded here rather than waited for.
    if (job >= m_claimed) {
        m_claimed = job + 1;
        lock.unlock();
        m_changed.notify_all();
        return LoadTitleXml(m_jobs.at(job));
    }
    m_changed.wait(lock, [&] { return m_loaded[size_t(job)] != nullptr; });
    std::unique_ptr<LoadedTitleXml> loaded = std::move(m_loaded[size_t(job)]);
    lock.unlock();
    m_changed.notify_all(); // the window moved on
    return loaded;
}
