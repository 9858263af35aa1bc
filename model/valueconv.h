#pragma once
// Text conversions shared by the configuration file and the database file.

#include <QString>

#include <optional>

// "True"/"False" in any letter case, or a decimal number (0 false, any other
// number true); anything else reads as false.
bool TextToBool(const QString &text);
QString BoolToText(bool value); // "True" / "False"

// A strict decimal 32-bit integer with an optional leading '-' (surrounding
// blanks are tolerated); std::nullopt for anything else.
std::optional<qint32> TextToInt(const QString &text);
