#pragma once

#include "advancedqmldebugtranslationclient.h"

#include <utils/path.h>

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

namespace Lexora {

// Draws the screens of a completed translation test with the designer's form
// renderer, once per state and language, frames the texts the test found
// missing (red) or elided (magenta) as the designer frames them, and writes
// the pictures with an index.html that shows them side by side. Needs a
// QApplication; nothing is shown on screen.
class VisualReport
{
public:
    VisualReport(const QString &projectDirectory, const QStringList &languages);

    void setColors(const QColor &missingColor, const QColor &elideColor);
    // Where the i18n folder with the translations of `language` is when it
    // is not the project's own (a pseudo language's generated files).
    void setTranslationDirectory(const QString &language, const QString &directory);
    // The run's result JSON (the names of the texts) and its issues, each
    // with the language and state in which it was found.
    void setResult(const QByteArray &resultJson, const QList<TranslationIssue> &issues);

    // Called before each picture; returning false stops the report, which is
    // then not written.
    using Progress = std::function<bool(int done, int total)>;
    // Writes <directory>/index.html and the pictures beside it (the directory
    // is made when missing). False with errorString() when a file could not
    // be written or the report was stopped.
    bool write(const QList<Host::Utils::Path> &files,
               const QString &directory,
               const Progress &progress = {});

    QString errorString() const { return m_errorString; }
    int pictureCount() const { return m_pictureCount; }
    // Languages whose translation file could not be loaded: their pictures
    // show the texts as written.
    QStringList unloadedLanguages() const { return m_unloadedLanguages; }

    // <directory>/i18n/qml_<language>.qm, the directory being the project's
    // unless another was set for the language.
    QString translationFile(const QString &language) const;

private:
    QString m_projectDirectory;
    QStringList m_languages;
    QHash<QString, QString> m_translationDirectories;
    QColor m_missingColor = Qt::red;
    QColor m_elideColor = Qt::magenta;
    QByteArray m_resultJson;
    QList<TranslationIssue> m_issues;
    QString m_errorString;
    int m_pictureCount = 0;
    QStringList m_unloadedLanguages;
};

} // namespace Lexora
