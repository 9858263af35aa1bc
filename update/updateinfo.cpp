#include "update/updateinfo.h"

#include <pugixml.hpp>

#include <iterator>
#include <string_view>

namespace {

const QString kTwoLineBreaks = u"\n\n"_qs;

bool isPlainFileNamePart(const QString &text)
{
    if (text.isEmpty() || text.startsWith(QLatin1Char('.')))
        return false;
    for (const QChar c : text) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 0x20)
            return false;
    }
    return true;
}

} // namespace

bool ParseUpdateAnswer(QByteArrayView body, tUpdate &update)
{
    // Read as UTF-8 text first, so that a body with bad sequences still
    // parses the way its text reads.
    const QByteArray utf8 = QString::fromUtf8(body).toUtf8();
    pugi::xml_document doc;
    if (!doc.load_buffer(utf8.constData(), size_t(utf8.size()), pugi::parse_default, pugi::encoding_utf8))
        return false;
    const pugi::xml_node root = doc.document_element();
    if (std::string_view(root.name()) != "CinevueInfo")
        return false;

    QString *const texts[] = {&update.Version, &update.UpgradeType, &update.NewVersion, &update.Changes,
                              &update.URL, &update.CRC64};
    const char *const names[] = {"Version", "UpgradeType", "NewVersion", "Changes", "URL", "CRC64"};
    for (size_t i = 0; i < std::size(names); ++i) {
        const pugi::xml_node child = root.child(names[i]);
        if (!child)
            return false;
        *texts[i] = QString::fromUtf8(child.text().get());
    }
    const pugi::xml_node size = root.child("Size");
    if (!size)
        return false;
    bool ok = false;
    const qint32 value = QString::fromUtf8(size.text().get()).trimmed().toInt(&ok, 10);
    if (!ok)
        return false;
    update.Size = value;
    return true;
}

UpdateDecision DecideUpdate(const tUpdate &answer, const QString &runningVersion)
{
    if (answer.Version != runningVersion || answer.NewVersion == runningVersion)
        return UpdateDecision::None;
    if (!isPlainFileNamePart(answer.NewVersion))
        return UpdateDecision::None;
    if (answer.UpgradeType == u"None"_qs)
        return UpdateDecision::None;
    if (answer.UpgradeType == u"Optional"_qs)
        return UpdateDecision::Optional;
    return UpdateDecision::Mandatory;
}

QString UpdateCheckVersion(const QString &progVersion)
{
    return progVersion == u"1.0.0.0"_qs ? u"1.3.2017.1111"_qs : progVersion;
}

QString OptionalUpdateText(const tUpdate &answer)
{
    return u"An new Cinevue update to v."_qs + answer.NewVersion + u" is available."_qs + kTwoLineBreaks
           + answer.Changes + kTwoLineBreaks + u"Update now?"_qs;
}

QString MandatoryUpdateText(const tUpdate &answer)
{
    return u"A mandatory Cinevue Update to v."_qs + answer.NewVersion + u" is required."_qs + kTwoLineBreaks
           + answer.Changes + kTwoLineBreaks + u"Program will now update."_qs;
}

QString PackageManagerUpdateText(const tUpdate &answer)
{
    return u"A new Cinevue version v."_qs + answer.NewVersion + u" is available."_qs + kTwoLineBreaks
           + answer.Changes + kTwoLineBreaks
           + u"Cinevue was installed as a package: the system's package manager installs the new version."_qs;
}
