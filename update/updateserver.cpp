#include "update/updateserver.h"

#ifndef CINEVUE_UPDATE_SERVER
#define CINEVUE_UPDATE_SERVER ""
#endif

QString UpdateServerUrl()
{
    if (qEnvironmentVariableIsSet("CINEVUE_UPDATE_URL"))
        return qEnvironmentVariable("CINEVUE_UPDATE_URL").trimmed();
    return QString::fromUtf8(CINEVUE_UPDATE_SERVER).trimmed();
}

QString UpdateAnswerUrl(const QString &server, const QString &version)
{
    QString base = server;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + u"/cinevue/downloads/CinevueInfo_"_qs + version + u".xml"_qs;
}

QString UpdatePackageUrl(const QString &url, const QString &version)
{
    return url + u"?Ver="_qs + version;
}
