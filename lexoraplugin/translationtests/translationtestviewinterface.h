#pragma once

#include "languages/language.h"

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringList>

#include <functional>

QT_BEGIN_NAMESPACE
class QObject;
QT_END_NAMESPACE

namespace Lexora {

// What the test dialogs need of the translations view: the project's
// languages, .qm generation, and the three uses of a run's result.
class TranslationTestViewInterface
{
public:
    virtual ~TranslationTestViewInterface() = default;

    virtual Languages projectLanguages() const = 0;
    // Writes the .qm files of the project languages and calls `done` on the
    // calling thread once they are written (true) or could not be (false);
    // never if `context` goes first.
    virtual void generateQmFilesThen(QObject *context, std::function<void(bool written)> done) = 0;
    // The languages a test can take instead of the project's: made up from
    // the primary texts (pseudo locales), their files outside the project.
    virtual QStringList pseudoLanguages() const = 0;
    // Writes the pseudo languages' files anew from the current primary
    // texts; false when they could not be written (reported).
    virtual bool preparePseudoLanguages() = 0;
    // Shows the form in `code`, with the findings of that language framed.
    virtual void showLanguage(const QString &code) = 0;
    // Calls `start` once the .qm files are current, at once when `generate`
    // is false: the preview reads them, and older ones would give false
    // findings. A test in `pseudoLanguage` (not empty) gets the pseudo files
    // written anew instead. `status` shows what is going on; when the files
    // cannot be written it says so, and `failed` is called instead of `start`.
    void runWithCurrentQmFiles(QObject *context,
                               bool generate,
                               const QString &pseudoLanguage,
                               const std::function<void(const QString &)> &status,
                               const std::function<void()> &start,
                               const std::function<void()> &failed);
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
