#pragma once

#include "translationfiles/catalogmessage.h"
#include "translationfiles/translationcatalog.h"

#include <peerrequirement.h>
#include <testfiles.h>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Access to Qt's own translation tools and helpers to look inside .qm files
// without going through our reader.
namespace PeerTools {

// Full path of a Qt tool (lrelease, lconvert), or an empty string if missing.
QString toolPath(const QString &name);

struct ToolResult
{
    bool started = false;
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;
};
ToolResult runTool(const QString &name, const QStringList &arguments);

// Writes the catalogue with the given format of our registry into a file.
bool writeCatalog(const Lexora::TranslationCatalog &catalog,
                  const QString &format,
                  const QString &filePath);

// Compiles a .ts file with lrelease -idbased, by default also -nounfinished.
// Returns the .qm bytes, or a null array when lrelease failed.
QByteArray lrelease(const QString &tsFilePath, bool noUnfinished = true);

struct QmSection
{
    uchar tag;
    QByteArray payload;
};
// Splits a .qm file after its magic into its sections, in file order.
QList<QmSection> qmSections(const QByteArray &qm);
QByteArray qmSection(const QByteArray &qm, uchar tag);

QByteArray qmMagic();
QByteArray qmSectionBytes(uchar tag, const QByteArray &payload);

} // namespace PeerTools

inline Lexora::CatalogMessage message(const QString &id,
                                      const QString &translation,
                                      Lexora::CatalogMessage::Type type
                                      = Lexora::CatalogMessage::Finished,
                                      const QString &comment = QString())
{
    Lexora::CatalogMessage result;
    result.id = id;
    result.translation = translation;
    result.translatorComment = comment;
    result.type = type;
    return result;
}

#define LEXORA_REQUIRE_TOOL(name)                                                                  \
    do {                                                                                           \
        if (PeerTools::toolPath(QStringLiteral(name)).isEmpty())                                   \
            LEXORA_PEER_MISSING("Qt's " name " is not installed (package qt6-l10n-tools)");        \
    } while (false)
