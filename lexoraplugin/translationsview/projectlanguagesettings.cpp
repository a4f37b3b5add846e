#include "translationsview/projectlanguagesettings.h"

#include "atomicfile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace Lexora {

namespace {

// Replaces every match of `pattern` by `replacement` taken literally (a
// language code must never be read as a back reference). A match stops before
// a carriage return, so a line keeps its CRLF ending.
void replaceEntries(QString &content, const QRegularExpression &pattern, const QString &replacement)
{
    QList<QRegularExpressionMatch> matches;
    for (QRegularExpressionMatchIterator it = pattern.globalMatch(content); it.hasNext();)
        matches.append(it.next());
    for (auto match = matches.crbegin(); match != matches.crend(); ++match) {
        qsizetype length = match->capturedLength();
        while (length > 0 && content.at(match->capturedStart() + length - 1) == QLatin1Char('\r'))
            --length;
        content.replace(match->capturedStart(), length, replacement);
    }
}

void warnWithPath(const char *message, const QString &path)
{
    qWarning() << message;
    qWarning().noquote() << "File path:" << path;
}

} // namespace

std::optional<QString> ProjectLanguageSettings::editedProjectText(QString content,
                                                                  const QStringList &codes,
                                                                  const QString &primaryCode)
{
    static const QRegularExpression supportedPattern(QStringLiteral("(supportedLanguages:).*"));
    static const QRegularExpression primaryPattern(QStringLiteral("(primaryLanguage:).*"));

    const QString json = QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(codes)).toJson(QJsonDocument::Compact));
    QString insertion;

    const QString supportedEntry = QLatin1String("supportedLanguages: ") + json;
    if (!content.contains(QLatin1String("supportedLanguages:")))
        insertion += QLatin1String("\n    ") + supportedEntry;
    else
        replaceEntries(content, supportedPattern, supportedEntry);

    const QString primaryEntry = QStringLiteral("primaryLanguage: \"%1\"").arg(primaryCode);
    if (!content.contains(QLatin1String("primaryLanguage:")))
        insertion += QLatin1String("\n    ") + primaryEntry;
    else
        replaceEntries(content, primaryPattern, primaryEntry);

    if (!insertion.isEmpty()) {
        const qsizetype lastBrace = content.lastIndexOf(QLatin1Char('}'));
        if (lastBrace < 0)
            return std::nullopt;
        content.insert(lastBrace, insertion + QLatin1Char('\n'));
    }
    return content;
}

bool ProjectLanguageSettings::writeToProjectFile(const QString &projectDirectory,
                                                 const QStringList &codes,
                                                 const QString &primaryCode)
{
    const QStringList projectFiles
        = QDir(projectDirectory, QStringLiteral("*.qmlproject")).entryList();
    if (projectFiles.isEmpty()) {
        qWarning() << "Could not save qmlproject file - file not found in project path.";
        return false;
    }
    const QString path = projectDirectory + QLatin1Char('/') + projectFiles.constFirst();

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        warnWithPath("Could not save qmlproject file - could not read project file.", path);
        return false;
    }
    // Latin-1 maps every byte to one character and back, so bytes outside the
    // edited entries survive whatever encoding the file is in.
    const QString content = QString::fromLatin1(file.readAll());
    file.close();

    const std::optional<QString> edited = editedProjectText(content, codes, primaryCode);
    if (!edited) {
        warnWithPath("Could not save qmlproject file - no closing brace to insert the languages "
                     "before; the file was left unchanged.",
                     path);
        return false;
    }

    QString error;
    if (!AtomicFile::writeFile(path, edited->toLatin1(), &error)) {
        warnWithPath("Could not save qmlproject file - could not open file for writing", path);
        qWarning().noquote() << "Reason:" << error;
        return false;
    }
    return true;
}

} // namespace Lexora
