#pragma once

#include <QJsonDocument>
#include <QString>

#include <vector>

namespace Lexora {

// The names a project lists in a translatable's `lexora-ignore` metadata to
// silence a check for that ID; they are also the names reports use.
namespace CheckNames {
inline constexpr char missing[] = "missing";
inline constexpr char placeholders[] = "placeholders";
inline constexpr char accelerators[] = "accelerators";
inline constexpr char whitespace[] = "whitespace";
inline constexpr char lineBreaks[] = "linebreaks";
inline constexpr char punctuation[] = "punctuation";
inline constexpr char markup[] = "markup";
// A backslash the primary text does not have at that place: a "\\n" typed
// literally, or quoting left over from a source file.
inline constexpr char escapes[] = "escapes";
inline constexpr char identical[] = "identical";
inline constexpr char elided[] = "elided";
// A QML file of the project that could not be read or parsed: its IDs are
// unknown, so every other finding may be incomplete.
inline constexpr char unreadable[] = "unreadable";
} // namespace CheckNames

// The translatable metadata key whose value lists the checks silenced for an ID.
inline constexpr char ignoreMetaDataKey[] = "lexora-ignore";

enum class CheckSeverity { Warning, Error };

// A lost translation or a lost place marker breaks the running application;
// everything else is worth a look but may be right for the language.
CheckSeverity severityOf(QStringView check);

struct CheckFinding
{
    QString check;
    CheckSeverity severity = CheckSeverity::Warning;
    QString translationId;
    // Empty for findings no single language is known for: a live translation
    // test records elided texts of all languages it ran together.
    QString language;
    QString primaryText;
    QString translation;
    // Where a live translation test saw the text elided: file and state; for
    // an unreadable file the file, the line and what is wrong there.
    QString componentPath;
    QString state;
    int line = 0;
    QString message;
};

struct LanguageCoverage
{
    QString language;
    int used = 0;
    int translated = 0;
    int missing = 0;

    double percentTranslated() const { return used == 0 ? 100.0 : 100.0 * translated / used; }
};

struct CheckReport
{
    QString primaryLanguage;
    std::vector<CheckFinding> findings;
    std::vector<LanguageCoverage> coverage;

    int errorCount() const;
    QJsonDocument toJson() const;
};

} // namespace Lexora
