#include "art/coverprofiles.h"

#include "art/imageresources.h"
#include "model/valueconv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QStandardPaths>

#include <pugixml.hpp>

namespace {

const QString kDefault = QStringLiteral("Default");
// Profiles larger than this are treated as broken rather than allocated.
constexpr int kMaxCoverSide = 4096;

struct tImageRole {
    QImage tCoverImageSet::*Image;
    const char16_t *File;    // in a profile's image folder
    const char16_t *BuiltIn; // embedded image of the built-in profile
    const char16_t *MyMovies = nullptr; // file of My Movies' image folder, for the built-in profile
    bool Frame = false;      // sized like the cover: scaled when a profile's size differs
};

const tImageRole kRoles[] = {
    {&tCoverImageSet::BluRayOver, u"BluRay-Over.png", u"PngTransparent"},
    {&tCoverImageSet::BluRayUnder, u"BluRay-Under.png", u"PngDefaultBluRayUnder", u"Default-BluRay-Under.png", true},
    {&tCoverImageSet::DVDOver, u"DVD-Over.png", u"PngTransparent"},
    {&tCoverImageSet::DVDUnder, u"DVD-Under.png", u"PngBlackShadow", nullptr, true},
    {&tCoverImageSet::HDDVDOver, u"HDDVD-Over.png", u"PngTransparent"},
    {&tCoverImageSet::HDDVDUnder, u"HDDVD-Under.png", u"PngDefaultHDDVDUnder", u"Default-HDDVD-Under.png", true},
    {&tCoverImageSet::Missing, u"Missing.png", u"PngBlackShadow", nullptr, true},
    {&tCoverImageSet::InDrive, u"InDrive.png", u"PngTransparent"},
    {&tCoverImageSet::InDriveBD, u"InDriveBD.png", u"PngTransparent"},
    {&tCoverImageSet::InDriveDVD, u"InDriveDVD.png", u"PngTransparent"},
    {&tCoverImageSet::InDriveHD, u"InDriveHD.png", u"PngTransparent"},
    {&tCoverImageSet::New, u"New.png", u"PngTransparent"},
};

// The entry `name` of `folder`, matched exactly first and then without regard
// to letter case (profiles copied from Windows keep Windows' spelling).
QString findEntry(const QString &folder, const QString &name, bool wantFolder)
{
    if (folder.isEmpty())
        return {};
    const QDir dir(folder);
    const QFileInfo exact(dir.filePath(name));
    if (exact.exists() && exact.isDir() == wantFolder)
        return exact.filePath();
    const QDir::Filters filter = (wantFolder ? QDir::Dirs : QDir::Files) | QDir::NoDotAndDotDot | QDir::Hidden;
    for (const QFileInfo &fi : dir.entryInfoList(filter, QDir::Name)) {
        if (fi.fileName().compare(name, Qt::CaseInsensitive) == 0)
            return fi.filePath();
    }
    return {};
}

// The listed name of a profile file: its file name with every ".xml" removed.
QString profileName(const QString &fileName)
{
    QString name = fileName;
    return name.remove(QStringLiteral(".xml"), Qt::CaseInsensitive);
}

QFileInfoList profileFiles(const QString &folder)
{
    QDir dir(folder);
    dir.setNameFilters({QStringLiteral("*.xml")});
    dir.setFilter(QDir::Files | QDir::Hidden);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    return dir.entryInfoList();
}

QImage readImage(const QString &path)
{
    QImageReader reader(path);
    QImage img = reader.read();
    if (!img.isNull())
        img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return img;
}

QImage fitted(const QImage &img, const tImageRole &role, const tCoverProfile &profile)
{
    if (!role.Frame || img.isNull() || profile.Width <= 0 || profile.Height <= 0 ||
        img.size() == QSize(profile.Width, profile.Height))
        return img;
    return img.scaled(profile.Width, profile.Height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

std::optional<qint32> requiredInt(const pugi::xml_node &node, const char *name, QString *error)
{
    const pugi::xml_attribute attr = node.attribute(name);
    if (!attr) {
        *error = QStringLiteral("attribute %1 is missing").arg(QLatin1String(name));
        return std::nullopt;
    }
    const std::optional<qint32> value = TextToInt(QString::fromUtf8(attr.value()));
    if (!value)
        *error = QStringLiteral("attribute %1 is not a whole number").arg(QLatin1String(name));
    return value;
}

// A position or size: digits only, empty meaning 0.
std::optional<qint32> boxValue(const pugi::xml_node &node, const char *name, QString *error)
{
    const QString text = QString::fromUtf8(node.attribute(name).value());
    for (QChar c : text) {
        if (c < u'0' || c > u'9') {
            *error = QStringLiteral("%1 \"%2\" is not a whole number").arg(QLatin1String(name), text);
            return std::nullopt;
        }
    }
    const std::optional<qint32> value = TextToInt(u'0' + text);
    if (!value)
        *error = QStringLiteral("%1 \"%2\" is too large").arg(QLatin1String(name), text);
    return value;
}

} // namespace

tCoverFolders tCoverFolders::Standard(const QString &appPath)
{
    tCoverFolders folders;
    const auto add = [&folders](const QString &base, const QString &product) {
        if (base.isEmpty())
            return;
        for (auto [list, leaf] : {std::pair{&folders.Profiles, QStringLiteral("CoverProfiles")},
                                  std::pair{&folders.Images, QStringLiteral("Images")}}) {
            const QString path = QDir::cleanPath(base + u'/' + product + u'/' + leaf);
            if (!list->contains(path))
                list->append(path);
        }
    };
    add(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation), QStringLiteral("Cinevue"));
    for (const QString &dir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        add(dir, QStringLiteral("cinevue"));
    if (!appPath.isEmpty())
        add(QDir::cleanPath(appPath), QString());
    return folders;
}

CoverProfiles::CoverProfiles()
    : m_profile(BuiltInProfile())
{
}

tCoverProfileList CoverProfiles::GetCoverProfiles(const QStringList &profileFolders)
{
    tCoverProfileList list;
    list.Names << kDefault;
    bool found = false;
    QStringList seen;
    for (const QString &folder : profileFolders) {
        for (const QFileInfo &fi : profileFiles(folder)) {
            found = true;
            const QString name = profileName(fi.fileName());
            // A profile of the same name in a later folder is shadowed by the first.
            if (seen.contains(name))
                continue;
            seen << name;
            list.Names << name;
        }
    }
    if (!found) {
        const QString folder = profileFolders.isEmpty() ? QStringLiteral("CoverProfiles") : profileFolders.first();
        list.Error = QStringLiteral("ERROR: Path \"%1\" was not found.")
                         .arg(QDir::toNativeSeparators(folder + QStringLiteral("/*.xml")));
    }
    return list;
}

tCoverProfile CoverProfiles::BuiltInProfile()
{
    tCoverProfile p;
    p.Name = kDefault;
    p.MissingImage = QStringLiteral("Missing");
    p.Height = 343;
    p.Width = 245;
    const auto set = [&p](tDiscTypes type, int x, int y, int w, int h) {
        tCover &c = p.Covers[type];
        c.PositionX = x;
        c.PositionY = y;
        c.MaxWidth = w;
        c.MaxHeight = h;
        c.Over = QStringLiteral("Over");
        c.Under = QStringLiteral("Under");
        c.Loaded = true;
    };
    set(dtDVD, 0, 0, 245, 343);
    set(dtHDDVD, 0, 28, 245, 286);
    set(dtBluray, 0, 28, 245, 286);
    return p;
}

std::optional<tCoverProfile> CoverProfiles::ParseProfile(const QByteArray &xml, QString *error)
{
    QString localError;
    if (!error)
        error = &localError;
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(xml.constData(), size_t(xml.size()));
    if (!parsed) {
        *error = QStringLiteral("not well-formed XML (%1 at byte %2)")
                     .arg(QString::fromUtf8(parsed.description()))
                     .arg(parsed.offset);
        return std::nullopt;
    }
    const pugi::xml_node root = doc.document_element();
    if (!root) {
        *error = QStringLiteral("no root element");
        return std::nullopt;
    }

    tCoverProfile p;
    p.Name = QString::fromUtf8(root.attribute("Name").value());
    p.MissingImage = QString::fromUtf8(root.attribute("MissingImage").value());
    const std::pair<qint32 *, const char *> ints[] = {
        {&p.TextMarginBottom, "TextMarginBottom"}, {&p.TextMarginRight, "TextMarginRight"},
        {&p.TextMarginTop, "TextMarginTop"}, {&p.TextMarginLeft, "TextMarginLeft"},
        {&p.Height, "Height"}, {&p.Width, "Width"}};
    for (auto [field, name] : ints) {
        const std::optional<qint32> v = requiredInt(root, name, error);
        if (!v)
            return std::nullopt;
        *field = *v;
    }
    if (p.Width <= 0 || p.Height <= 0 || p.Width > kMaxCoverSide || p.Height > kMaxCoverSide) {
        *error = QStringLiteral("cover size %1 x %2 is not usable").arg(p.Width).arg(p.Height);
        return std::nullopt;
    }

    int position = 0;
    for (const pugi::xml_node &child : root.children()) {
        if (child.type() != pugi::node_element)
            continue;
        if (position++ == 0) // the first child is not a cover layout
            continue;
        const QString type = QString::fromUtf8(child.attribute("Type").value());
        int index = dtDVD;
        if (type == u"HD DVD")
            index = dtHDDVD;
        else if (type == u"Blu-ray")
            index = dtBluray;
        else if (type == u"4K Ultra HD")
            index = dt4KUltraHD;
        tCover c;
        c.ContainProportions = TextToBool(QString::fromUtf8(child.attribute("ContainProportions").value()));
        const std::pair<qint32 *, const char *> box[] = {
            {&c.PositionY, "PositionY"}, {&c.PositionX, "PositionX"},
            {&c.MaxHeight, "MaxHeight"}, {&c.MaxWidth, "MaxWidth"}};
        for (auto [field, name] : box) {
            const std::optional<qint32> v = boxValue(child, name, error);
            if (!v)
                return std::nullopt;
            *field = *v;
        }
        const pugi::xml_node over = child.child("Over");
        const pugi::xml_node under = child.child("Under");
        if (!over || !under) {
            *error = QStringLiteral("a cover layout (Type \"%1\") has no %2 element")
                         .arg(type, over ? QStringLiteral("Under") : QStringLiteral("Over"));
            return std::nullopt;
        }
        c.Over = QString::fromUtf8(over.child_value());
        c.Under = QString::fromUtf8(under.child_value());
        c.Loaded = true;
        p.Covers[index] = c;
    }
    return p;
}

int CoverProfiles::LayoutType(const tCoverProfile &profile, tDiscTypes discType)
{
    const int own = int(discType);
    if (own >= 0 && own < int(profile.Covers.size()) && profile.Covers[own].Loaded)
        return own;
    if (profile.Covers[dtHDDVD].Loaded)
        return dtHDDVD;
    if (profile.Covers[dtBluray].Loaded)
        return dtBluray;
    return dtDVD;
}

void CoverProfiles::loadBuiltInImages(const tCoverFolders &folders, const ImageResources &resources)
{
    for (const tImageRole &role : kRoles) {
        QImage img;
        if (role.MyMovies) {
            for (const QString &folder : folders.Images) {
                const QString file = findEntry(folder, QString::fromUtf16(role.MyMovies), false);
                if (!file.isEmpty() && !(img = readImage(file)).isNull())
                    break;
            }
        }
        if (img.isNull())
            img = resources.image(QString::fromUtf16(role.BuiltIn));
        m_images.*role.Image = img;
    }
}

QStringList CoverProfiles::Load(const QString &name, const tCoverFolders &folders, const ImageResources &resources)
{
    ++m_generation;
    QStringList problems;
    m_profile = BuiltInProfile();
    m_images = {};

    // The built-in profile answers to "Default" exactly, and stands in for any
    // profile that cannot be used.
    const auto useBuiltIn = [&] {
        m_profile = BuiltInProfile();
        loadBuiltInImages(folders, resources);
        return problems;
    };
    if (name == kDefault)
        return useBuiltIn();

    QString file;
    QString imageFolder;
    for (const QString &folder : folders.Profiles) {
        for (const QFileInfo &fi : profileFiles(folder)) {
            if (profileName(fi.fileName()) == name) {
                file = fi.filePath();
                imageFolder = findEntry(folder, name, true);
                break;
            }
        }
        if (!file.isEmpty())
            break;
    }
    if (file.isEmpty()) {
        problems << QStringLiteral("Cover profile \"%1\" was not found; the built-in profile is used.").arg(name);
        return useBuiltIn();
    }

    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        problems << QStringLiteral("Cover profile \"%1\" could not be read (%2); the built-in profile is used.")
                        .arg(QDir::toNativeSeparators(file), in.errorString());
        return useBuiltIn();
    }
    QString error;
    const std::optional<tCoverProfile> parsed = ParseProfile(in.readAll(), &error);
    if (!parsed) {
        problems << QStringLiteral("Cover profile \"%1\": %2; the built-in profile is used.")
                        .arg(QDir::toNativeSeparators(file), error);
        return useBuiltIn();
    }
    m_profile = *parsed;

    if (imageFolder.isEmpty()) {
        problems << QStringLiteral("The image folder of cover profile \"%1\" was not found; built-in frames are used.")
                        .arg(name);
    }
    for (const tImageRole &role : kRoles) {
        const QString fileName = QString::fromUtf16(role.File);
        QImage img;
        if (!imageFolder.isEmpty()) {
            const QString path = findEntry(imageFolder, fileName, false);
            img = path.isEmpty() ? QImage() : readImage(path);
            if (img.isNull()) {
                problems << QStringLiteral("Cover profile \"%1\": image %2 is missing or unreadable; a built-in image is used.")
                                .arg(name, fileName);
            }
        }
        if (img.isNull())
            img = fitted(resources.image(QString::fromUtf16(role.BuiltIn)), role, m_profile);
        m_images.*role.Image = img;
    }
    return problems;
}
