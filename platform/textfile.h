#pragma once
// Plain text files of the program's own (configuration, logs, reports,
// markers): the platform's default 8-bit encoding, CR LF after every line,
// the last one too, and written whole or not at all.

#include <QString>
#include <QStringList>

class QFileDevice;

// Why a write of `file` failed. Qt reports some failures (a full disk, a file
// size limit) as "Unknown error"; the system's reason, taken from `savedErrno`
// right after the failing call, names the cause then.
QString WriteFailureText(const QFileDevice &file, int savedErrno);

// Replaces `path` atomically with `lines`. On failure returns false and, when
// `error` is given, a text naming the file and the reason.
bool WriteTextFile(const QString &path, const QStringList &lines, QString *error = nullptr);

// Reads a text file into lines (CR LF, LF or CR line ends; a UTF-8 byte-order
// mark is honoured). std::nullopt-like: returns false when it cannot be read.
bool ReadTextFile(const QString &path, QStringList *lines, QString *error = nullptr);
