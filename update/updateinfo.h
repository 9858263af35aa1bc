#pragma once
// The update server's answer for the running version and what Cinevue makes
// of it.

#include <QByteArrayView>
#include <QString>

// The parsed answer (root element CinevueInfo, one child element per field).
struct tUpdate {
    QString Version;     // the version the answer is meant for
    QString UpgradeType; // "None", "Optional", anything else is mandatory
    QString NewVersion;
    QString Changes;
    QString URL;         // the zip package
    QString CRC64;       // Crc64Text of the package
    qint32 Size = 0;     // bytes of the package

    bool operator==(const tUpdate &) const = default;
};

// Reads an answer into `update`. The body is UTF-8 XML; any other root than
// CinevueInfo, or a body that does not parse, leaves `update` as it was. The
// fields are read in their order and the first missing element or bad Size
// ends the reading: the fields before it have their new values, the others
// keep their old ones. True when every field was read.
bool ParseUpdateAnswer(QByteArrayView body, tUpdate &update);

enum class UpdateDecision {
    None,      // nothing to offer
    Optional,  // ask first
    Mandatory, // tell, then update
};

// An update is offered only by an answer for exactly `runningVersion` whose
// NewVersion differs from it. The comparisons are exact: "none" is not
// "None", so it counts as mandatory. A NewVersion that cannot be part of the
// package's file name in the program folder (a path separator, a leading
// dot, a control character) offers nothing either.
UpdateDecision DecideUpdate(const tUpdate &answer, const QString &runningVersion);

// The running version as the check sends and compares it: the placeholder
// version "1.0.0.0" of an unversioned build stands for "1.3.2017.1111".
QString UpdateCheckVersion(const QString &progVersion);

// The question of an optional update, the notice of a mandatory one, and the
// notice of a run that cannot replace its own program (an installed package).
QString OptionalUpdateText(const tUpdate &answer);
QString MandatoryUpdateText(const tUpdate &answer);
QString PackageManagerUpdateText(const tUpdate &answer);
