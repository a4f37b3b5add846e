#pragma once

#include "languages/language.h"

#include <QByteArray>
#include <QColor>
#include <QString>

namespace Lexora {

// What the test dialogs need of the translations view: the project's
// languages, .qm generation, and the three uses of a run's result.
class TranslationTestViewInterface
{
public:
    virtual ~TranslationTestViewInterface() = default;

    virtual Languages projectLanguages() const = 0;
    // False when the generation could not start (no database open).
    virtual bool generateQmFiles() = 0;
    virtual void addScreenMetaData(const QByteArray &resultJson) = 0;
    virtual void highlightTestResults(const QByteArray &resultJson,
                                      const QColor &plainColor,
                                      const QColor &missingColor,
                                      const QColor &elideColor)
        = 0;
    virtual void writeTestReport(const QString &filePath, const QByteArray &resultJson) = 0;

protected:
    TranslationTestViewInterface() = default;
};

} // namespace Lexora
