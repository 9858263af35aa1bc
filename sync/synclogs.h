#pragma once
// The text logs that a sync run keeps: debug log, performance log, sync error
// log and rental list. Each is a list of lines, saved whole.

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

class SyncTextLog
{
public:
    explicit SyncTextLog(bool enabled = true) : m_enabled(enabled) {}
    bool enabled() const { return m_enabled; }
    void setEnabled(bool on) { m_enabled = on; }
    void add(const QString &line)
    {
        if (m_enabled)
            m_lines.append(line);
    }
    const QStringList &lines() const { return m_lines; }
    bool isEmpty() const { return m_lines.isEmpty(); }
    void clear() { m_lines.clear(); }
    // Saves the whole list over `path`; returns false with `error` set on failure.
    bool save(const QString &path, QString *error = nullptr) const;

private:
    bool m_enabled;
    QStringList m_lines;
};

// Elapsed seconds formatted "0.0000" (FormatSeconds(double) is in folderscan.h).
QString ElapsedSeconds(const QElapsedTimer &timer);
