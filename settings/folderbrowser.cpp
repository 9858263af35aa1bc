#include "settings/folderbrowser.h"

#include "platform/filesystem.h"
#include "ui/keydispatcher.h"
#include "ui/remotekeys.h"
#include "ui/scene.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <cerrno>

namespace {

const QString kVerdana = QString::fromUtf16(fonts::Verdana);
const QString kIconFont = u"Material Icons"_qs;
// Glyphs of the icon font: a folder, a file, the tick of "Select".
const QString kFolderGlyph = QString(QChar(0xE2C7));
const QString kFileGlyph = QString(QChar(0xE24D));
const QString kSelectGlyph = QString(QChar(0xE86C));
const QColor kPanel(0x0C, 0x1A, 0x30);
// Above the settings screen and its pop-up menus, below the screensaver.
constexpr qreal kBrowserZ = 96000;
constexpr qreal kRowHeight = 44;
constexpr qreal kRowsTop = 130;
const QString kWaiting = u"\u2026"_qs;

QString withoutTrailingSlash(const QString &path)
{
    return path.size() > 1 && path.endsWith(u'/') ? path.chopped(1) : path;
}

// "\040" and the other octal escapes the kernel writes for blanks in names.
QString unescapeMountField(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            const bool octal = std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; });
            if (octal) {
                const int value = digits.toInt(nullptr, 8);
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(field.at(i));
    }
    return QString::fromUtf8(out);
}

LabelElement *browserLabel(Scene &scene, const QString &name, const QRectF &geometry, int size, const QColor &color,
                           Element *parent)
{
    LabelElement *l = scene.addLabel(name, geometry, parent);
    l->setFont(fonts::Make(kVerdana, size));
    l->setColor(color);
    return l;
}

} // namespace

// ---------------------------------------------------------------- listings

QList<MountEntry> ParseMounts(const QByteArray &table)
{
    QList<MountEntry> mounts;
    for (const QByteArray &line : table.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3 || fields.at(0).isEmpty())
            continue;
        mounts.append({unescapeMountField(fields.at(0)), unescapeMountField(fields.at(1)),
                       QString::fromUtf8(fields.at(2))});
    }
    return mounts;
}

bool IsNetworkFileSystem(const QString &type)
{
    static const QSet<QString> network{
        u"nfs"_qs,         u"nfs4"_qs,       u"cifs"_qs,          u"smb3"_qs,           u"smbfs"_qs,
        u"fuse.sshfs"_qs,  u"sshfs"_qs,      u"9p"_qs,            u"afs"_qs,            u"ceph"_qs,
        u"glusterfs"_qs,   u"fuse.glusterfs"_qs, u"davfs"_qs,     u"fuse.davfs2"_qs,    u"fuse.rclone"_qs,
        u"fuse.s3fs"_qs,   u"ncpfs"_qs,      u"lustre"_qs,        u"fuse.smbnetfs"_qs,
    };
    return network.contains(type.toLower());
}

QList<FolderBrowserEntry> FolderPlaces(const QString &home, const QList<MountEntry> &mounts,
                                       const std::function<bool(const QString &)> &isFolder)
{
    QList<FolderBrowserEntry> places;
    QSet<QString> seen;
    const auto add = [&](const QString &path, const QString &name) {
        const QString key = withoutTrailingSlash(path);
        if (key.isEmpty() || seen.contains(key))
            return;
        seen.insert(key);
        places.append({name, key, false});
    };
    const QString homeFolder = withoutTrailingSlash(home);
    if (!homeFolder.isEmpty() && isFolder(homeFolder))
        add(homeFolder, u"Home folder  "_qs + homeFolder);
    for (const QString &place : {u"/media"_qs, u"/mnt"_qs, u"/srv"_qs})
        if (isFolder(place))
            add(place, place);
    for (const MountEntry &m : mounts)
        if (IsNetworkFileSystem(m.type))
            add(m.mountPoint, m.mountPoint + u"  ("_qs + m.type + u", "_qs + m.device + u')');
    return places;
}

int NaturalCompare(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            // Whole numbers by value: the longer run without leading zeros is larger.
            qsizetype ei = i;
            qsizetype ej = j;
            while (ei < a.size() && a.at(ei).isDigit())
                ++ei;
            while (ej < b.size() && b.at(ej).isDigit())
                ++ej;
            QStringView x = QStringView(a).sliced(i, ei - i);
            QStringView y = QStringView(b).sliced(j, ej - j);
            while (x.size() > 1 && x.front() == u'0')
                x = x.sliced(1);
            while (y.size() > 1 && y.front() == u'0')
                y = y.sliced(1);
            if (x.size() != y.size())
                return x.size() < y.size() ? -1 : 1;
            if (const int c = x.compare(y); c != 0)
                return c < 0 ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a.at(i).toCaseFolded();
        const QChar cb = b.at(j).toCaseFolded();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

QString ListingErrorText(const QString &path, int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
        return u"The folder \u201C%1\u201D is no longer there."_qs.arg(path);
    case EACCES:
    case EPERM:
        return u"The folder \u201C%1\u201D cannot be read: permission denied."_qs.arg(path);
    case ENOTDIR:
        return u"\u201C%1\u201D is not a folder."_qs.arg(path);
    default:
        return u"The folder \u201C%1\u201D cannot be read: %2."_qs.arg(path, qt_error_string(errorNumber));
    }
}

FolderListing ListFolder(const QString &path, const QStringList &filePatterns)
{
    FolderListing result;
    if (path.isEmpty()) {
        QFile table(u"/proc/self/mounts"_qs);
        const QByteArray text = table.open(QIODevice::ReadOnly) ? table.readAll() : QByteArray();
        result.entries = FolderPlaces(QDir::homePath(), ParseMounts(text),
                                      [](const QString &p) { return QFileInfo(p).isDir(); });
        return result;
    }

    const DirectoryListing listing = DirectoryListing::open(path);
    if (!listing.isOpen() || listing.error() != 0) {
        result.error = ListingErrorText(path, listing.isOpen() || listing.error() != 0 ? listing.error() : ENOENT);
        return result;
    }
    QList<QRegularExpression> patterns;
    for (const QString &p : filePatterns)
        patterns.append(QRegularExpression(QRegularExpression::wildcardToRegularExpression(p),
                                           QRegularExpression::CaseInsensitiveOption));
    const QString prefix = path.endsWith(u'/') ? path : path + u'/';
    QList<FolderBrowserEntry> folders;
    QList<FolderBrowserEntry> files;
    for (const tDirEntry &e : listing.entries()) {
        // Hidden folders are settings and caches, never a collection.
        if (e.Name.startsWith(u'.'))
            continue;
        if (e.IsDirectory) {
            folders.append({e.Name, prefix + e.Name, false});
            continue;
        }
        for (const QRegularExpression &re : std::as_const(patterns)) {
            if (re.match(e.Name).hasMatch()) {
                files.append({e.Name, prefix + e.Name, true});
                break;
            }
        }
    }
    const auto byName = [](const FolderBrowserEntry &a, const FolderBrowserEntry &b) {
        const int order = NaturalCompare(a.name, b.name);
        return order != 0 ? order < 0 : a.name < b.name;
    };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    result.entries = folders + files;
    return result;
}

// ---------------------------------------------------------------- the browser

FolderBrowser::FolderBrowser(ScreenHost &host)
    : ScreenComponent(host), m_lister(ListFolder), m_pool(new QThreadPool)
{
    m_pool->setMaxThreadCount(8);
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &FolderBrowser::timedOut);

    Scene &scene = host.scene();
    // A light frame around the browser sets it off from the settings under it.
    m_panel = scene.addImage(u"FolderBrowser_Image_Background"_qs, {300, 180, 1320, 860});
    m_panel->setBackground(colors::LightSkyBlue);
    m_panel->setZValue(kBrowserZ);
    m_panel->setFlag(QGraphicsItem::ItemClipsChildrenToShape);
    m_panel->hide();
    scene.addImage(u"FolderBrowser_Image_Inside"_qs, {2, 2, 1316, 856}, m_panel)->setBackground(kPanel);

    m_title = browserLabel(scene, u"FolderBrowser_Label_Title"_qs, {40, 22, 1240, 44}, 32, Qt::white, m_panel);
    m_pathLabel = browserLabel(scene, u"FolderBrowser_Label_Path"_qs, {40, 76, 1060, 32}, 24, colors::GhostWhite, m_panel);
    m_position = browserLabel(scene, u"FolderBrowser_Label_Position"_qs, {1100, 76, 180, 32}, 22, colors::LightSkyBlue,
                              m_panel);
    m_position->setAlignment(Qt::AlignRight | Qt::AlignTop);
    for (int i = 0; i < kVisibleRows; ++i) {
        const qreal y = kRowsTop + kRowHeight * i;
        LabelElement *icon = scene.addLabel(u"FolderBrowser_Label_Icon%1"_qs.arg(i), {40, y + 2, 40, 40}, m_panel);
        icon->setFont(fonts::Make(kIconFont, 34));
        m_icons[size_t(i)] = icon;
        m_labels[size_t(i)] = browserLabel(scene, u"FolderBrowser_Label_Entry%1"_qs.arg(i), {92, y + 5, 1188, 34}, 24,
                                           colors::LightSkyBlue, m_panel);
    }
    m_status = browserLabel(scene, u"FolderBrowser_Label_Status"_qs, {40, 756, 1240, 58}, 22, QColor(0xFF, 0xD0, 0x80),
                            m_panel);
    m_status->setWordWrap(true);
    m_keys = browserLabel(scene, u"FolderBrowser_Label_Keys"_qs, {40, 816, 1240, 30}, 20, colors::LightSkyBlue, m_panel);
}

FolderBrowser::~FolderBrowser()
{
    m_pending.reset();
    // A listing stuck on a dead share would hold the program's end for as long
    // as the share keeps it; its pool is left behind then.
    if (m_pool->waitForDone(0))
        delete m_pool;
}

void FolderBrowser::registerKeys(KeyDispatcher &dispatcher)
{
    ModeKeys k;
    k.Up = [this] {
        if (!m_pending)
            moveCursor(m_cursor - 1);
    };
    k.Down = [this] {
        if (!m_pending)
            moveCursor(m_cursor + 1);
    };
    k.Left = [this] {
        if (m_pending || !m_path.isEmpty())
            goUp();
    };
    k.Right = [this] { openRow(); };
    k.Enter = [this] { enter(); };
    k.Backspace = [this] {
        if (!m_pending && m_path.isEmpty())
            finish({});
        else
            goUp();
    };
    // The remote's skip and channel keys page through long lists.
    k.MediaJump = [this](quint16 key) {
        if (m_pending)
            return;
        switch (key) {
        case vk::MediaPrevTrack: moveCursor(0); break;
        case vk::MediaNextTrack: moveCursor(int(m_rows.size()) - 1); break;
        case vk::LBracket:
        case vk::Comma: moveCursor(qMax(0, m_cursor - kVisibleRows)); break;
        default: moveCursor(m_cursor + kVisibleRows); break;
        }
    };
    dispatcher.setMode(smFolderBrowser, std::move(k));
}

void FolderBrowser::dumpState(QJsonObject &state) const
{
    state[u"FolderBrowserOpen"_qs] = isOpen();
    state[u"FolderBrowserPath"_qs] = m_path;
    state[u"FolderBrowserCursor"_qs] = m_cursor;
    state[u"FolderBrowserWaiting"_qs] = isWaiting();
    state[u"FolderBrowserStatus"_qs] = m_statusText;
    QJsonArray rows;
    for (const FolderBrowserEntry &e : m_rows)
        rows.append(e.name);
    state[u"FolderBrowserRows"_qs] = rows;
}

void FolderBrowser::Open(const FolderBrowserRequest &what, std::function<void(const QString &)> done)
{
    cancelPending();
    m_request = what;
    m_done = std::move(done);
    m_path.clear();
    m_rows.clear();
    m_cursor = 0;
    m_top = 0;
    m_statusText.clear();
    m_title->setText(what.title);
    m_keys->setText(choosesFolders()
                        ? u"ENTER opens a folder  \u2022  \u201CSelect\u201D takes the folder shown  \u2022  BACK goes up"_qs
                        : u"ENTER opens a folder or takes the program  \u2022  BACK goes up"_qs);
    browser().ScreenMode = smFolderBrowser;
    m_panel->show();
    request(what.startPath, Purpose::Open);
}

bool FolderBrowser::isOpen() const
{
    return m_panel->isShown();
}

QString FolderBrowser::status() const
{
    return m_statusText;
}

void FolderBrowser::request(const QString &path, Purpose purpose, const QString &focusPath)
{
    m_timeout.stop();
    const Pending pending{++m_generation, path, purpose, focusPath};
    m_pending = pending;
    redraw();

    auto *watcher = new QFutureWatcher<FolderListing>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, pending] {
        watcher->deleteLater();
        // An answer after the browser gave up on it, or after another request
        // replaced it, changes nothing.
        if (!m_pending || m_pending->generation != pending.generation)
            return;
        m_timeout.stop();
        m_pending.reset();
        arrived(pending, watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(m_pool, [lister = m_lister, path, patterns = m_request.filePatterns] {
        return lister(path, patterns);
    }));
    m_timeout.start(m_timeoutMs);
}

void FolderBrowser::arrived(const Pending &pending, const FolderListing &listing)
{
    if (listing.ok()) {
        if (pending.purpose == Purpose::Select) {
            finish(pending.path);
            return;
        }
        if (pending.purpose == Purpose::Open || pending.purpose == Purpose::Up)
            setStatus({});
        show(pending.path, listing.entries, pending.focusPath);
        return;
    }
    setStatus(listing.error);
    if (pending.path.isEmpty()) {
        redraw();
        return;
    }
    const QString parent = isPlace(pending.path) || withoutTrailingSlash(pending.path) == u"/"_qs
                               ? QString()
                               : QFileInfo(withoutTrailingSlash(pending.path)).path();
    if (pending.purpose == Purpose::Up) {
        // A parent that cannot be read must not trap the browser below it.
        request({}, Purpose::Refresh, pending.focusPath);
    } else if (pending.purpose == Purpose::Open && !m_path.isEmpty()) {
        // The folder shown may have lost the one that failed: list it again.
        request(m_path, Purpose::Refresh, m_rows.value(m_cursor).path);
    } else if (pending.purpose == Purpose::Open && !m_rows.isEmpty()) {
        redraw(); // a place that failed: the places stay
    } else {
        // The folder itself went away (or the start failed): its parent.
        request(parent, Purpose::Refresh, pending.path);
    }
}

void FolderBrowser::timedOut()
{
    if (!m_pending)
        return;
    const Pending pending = *m_pending;
    m_pending.reset();
    setStatus(u"\u201C%1\u201D did not answer within %2 seconds; it may be a network share that is not available. "
              "Try again later or choose another place."_qs
                  .arg(pending.path.isEmpty() ? u"Places"_qs : pending.path)
                  .arg(qMax(1, (m_timeoutMs + 999) / 1000)));
    if (m_rows.isEmpty() && m_path.isEmpty() && !pending.path.isEmpty())
        request({}, Purpose::Refresh); // nothing shown yet: the places
    else
        redraw();
}

void FolderBrowser::cancelPending()
{
    m_pending.reset();
    m_timeout.stop();
}

void FolderBrowser::show(const QString &path, const QList<FolderBrowserEntry> &entries, const QString &focusPath)
{
    m_path = path;
    m_rows.clear();
    if (!path.isEmpty() && choosesFolders())
        m_rows.append({u"Select"_qs, path, false});
    m_rows += entries;
    if (path.isEmpty())
        m_places = entries;
    int cursor = 0;
    const QString focus = withoutTrailingSlash(focusPath);
    for (int i = 0; i < m_rows.size() && !focus.isEmpty(); ++i) {
        if (withoutTrailingSlash(m_rows.at(i).path) == focus && !(i == 0 && !path.isEmpty() && choosesFolders())) {
            cursor = i;
            break;
        }
    }
    m_top = 0;
    m_cursor = -1;
    moveCursor(cursor);
}

void FolderBrowser::moveCursor(int to)
{
    to = qBound(0, to, qMax(0, int(m_rows.size()) - 1));
    m_cursor = to;
    if (m_cursor < m_top)
        m_top = m_cursor;
    if (m_cursor >= m_top + kVisibleRows)
        m_top = m_cursor - kVisibleRows + 1;
    redraw();
}

void FolderBrowser::redraw()
{
    const QString shownPath = m_pending ? m_pending->path : m_path;
    m_pathLabel->setText(shownPath.isEmpty() ? u"Places on this computer"_qs : shownPath);

    const bool selectRow = !m_path.isEmpty() && choosesFolders();
    for (int i = 0; i < kVisibleRows; ++i) {
        LabelElement *label = m_labels[size_t(i)];
        LabelElement *icon = m_icons[size_t(i)];
        const int index = m_top + i;
        if (m_pending) {
            label->setText(i == 0 ? kWaiting : QString());
            label->setColor(Qt::white);
            label->setVisible(i == 0);
            icon->hide();
            continue;
        }
        if (index >= m_rows.size()) {
            const bool empty = i == 0 && m_rows.isEmpty();
            label->setText(empty ? (m_path.isEmpty() ? u"No places found"_qs : u"(no folders here)"_qs) : QString());
            label->setColor(colors::LightSkyBlue);
            label->setVisible(empty);
            icon->hide();
            continue;
        }
        const FolderBrowserEntry &row = m_rows.at(index);
        const QColor color = index == m_cursor ? QColor(Qt::white) : colors::LightSkyBlue;
        label->setText(row.name);
        label->setColor(color);
        label->show();
        icon->setText(selectRow && index == 0 ? kSelectGlyph : row.isFile ? kFileGlyph : kFolderGlyph);
        icon->setColor(color);
        icon->show();
    }
    m_position->setText(m_pending || m_rows.isEmpty() ? QString()
                                                      : u"%1 of %2"_qs.arg(m_cursor + 1).arg(m_rows.size()));
    m_status->setText(m_statusText);
}

void FolderBrowser::setStatus(const QString &text)
{
    m_statusText = text;
    m_status->setText(text);
}

void FolderBrowser::enter()
{
    if (m_pending || m_cursor < 0 || m_cursor >= m_rows.size())
        return;
    const FolderBrowserEntry row = m_rows.at(m_cursor);
    if (m_cursor == 0 && !m_path.isEmpty() && choosesFolders())
        request(m_path, Purpose::Select); // it may have gone since it was listed
    else if (row.isFile)
        finish(row.path);
    else
        request(row.path, Purpose::Open);
}

void FolderBrowser::openRow()
{
    if (m_pending || m_cursor < 0 || m_cursor >= m_rows.size())
        return;
    const FolderBrowserEntry &row = m_rows.at(m_cursor);
    if (row.isFile || (m_cursor == 0 && !m_path.isEmpty() && choosesFolders()))
        return;
    request(row.path, Purpose::Open);
}

void FolderBrowser::goUp()
{
    if (m_pending) {
        // Back while waiting: stop waiting, the folder shown stays.
        cancelPending();
        redraw();
        return;
    }
    if (m_path.isEmpty())
        return;
    const QString from = m_path;
    const QString parent =
        isPlace(from) || withoutTrailingSlash(from) == u"/"_qs ? QString() : QFileInfo(withoutTrailingSlash(from)).path();
    request(parent, Purpose::Up, from);
}

void FolderBrowser::finish(const QString &chosen)
{
    cancelPending();
    m_panel->hide();
    const auto done = std::move(m_done);
    m_done = {};
    if (done)
        done(chosen);
}

bool FolderBrowser::isPlace(const QString &path) const
{
    const QString key = withoutTrailingSlash(path);
    for (const FolderBrowserEntry &p : m_places)
        if (withoutTrailingSlash(p.path) == key)
            return true;
    return false;
}
