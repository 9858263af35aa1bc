#pragma once
// Where the update check asks. The server's address (scheme, host and port)
// is chosen when Cinevue is built (CMake cache variable CINEVUE_UPDATE_SERVER)
// and can be replaced at run time by the environment variable
// CINEVUE_UPDATE_URL; an empty address means there is no server to ask.

#include <QString>

// CINEVUE_UPDATE_URL when it is set (even empty), else the built-in address.
QString UpdateServerUrl();

// The answer made for `version`: server + "/cinevue/downloads/CinevueInfo_"
// + version + ".xml". A trailing '/' of `server` is not doubled.
QString UpdateAnswerUrl(const QString &server, const QString &version);

// The package: the answer's URL + "?Ver=" + version.
QString UpdatePackageUrl(const QString &url, const QString &version);
