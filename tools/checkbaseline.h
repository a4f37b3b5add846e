#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

namespace Lexora {

struct CheckFinding;
struct CheckReport;

// The findings a project has accepted for now, so that a build pipeline
// fails only on new ones. A finding is known by what stays when unrelated
// texts change: its check, language and translation ID (for a text elided in
// a live test also the file and state, for an unreadable file the file), never
// a line number or the texts themselves.
class CheckBaseline
{
public:
    static QString key(const CheckFinding &finding);

    // Reads a baseline file; false with `error` set when it cannot be read or
    // is not a baseline.
    bool load(const QString &file, QString *error);
    // The report's findings as a baseline file's bytes, sorted, one finding
    // per line, so that a change reads well in a diff.
    static QByteArray serialize(const CheckReport &report);

    int size() const { return int(m_keys.size()); }
    // The findings of `report` the baseline does not hold.
    std::vector<CheckFinding> newFindings(const CheckReport &report) const;
    // The baseline's findings that `report` no longer has, as "check
    // language: ID" texts, sorted.
    QStringList goneKeys(const CheckReport &report) const;

private:
    QSet<QString> m_keys;
};

} // namespace Lexora
