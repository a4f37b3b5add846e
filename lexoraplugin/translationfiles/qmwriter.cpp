#include "qmwriter.h"

#include "numerusrules.h"
#include "releaser.h"
#include "translationcatalog.h"
#include "userfeedbackinterface.h"

#include <QCoreApplication>

namespace Lexora {

std::pair<QLocale::Language, QLocale::Territory> languageAndTerritory(const QString &languageCode)
{
    const QLocale locale(languageCode);
    return { locale.language(), locale.territory() };
}

bool saveQm(const TranslationCatalog &catalog, QIODevice &device, UserFeedbackInterface *errorSink)
{
    Releaser releaser(catalog.language());

    const auto [language, territory] = languageAndTerritory(catalog.language());
    const NumerusTableEntry *rules = findNumerusRules(language, territory);
    if (rules) {
        releaser.setNumerusRules(QByteArray(reinterpret_cast<const char *>(rules->rules.data()),
                                            qsizetype(rules->rules.size())));
    }
    const int formCount = rules ? int(rules->forms.size()) : 1;

    int droppedCount = 0;
    for (const CatalogMessage &message : catalog.messages()) {
        if (message.type == CatalogMessage::Vanished || message.type == CatalogMessage::Obsolete)
            continue;
        if (message.id.isEmpty()) {
            ++droppedCount;
            continue;
        }
        if (message.type == CatalogMessage::Unfinished && message.translation.isEmpty())
            continue;
        // QTranslator finds no text for a count whose form the message lacks,
        // so a plural message carries every form of the language.
        releaser.insert(QmEntry { QByteArray(""),
                                  message.id.toUtf8(),
                                  QByteArray(""),
                                  message.plural ? numerusTranslations(message, formCount)
                                                 : QStringList { message.translation } });
    }

    if (droppedCount > 0 && errorSink) {
        errorSink->addError(QCoreApplication::translate(
            "LRelease", "Dropped %n message(s) which had no ID.", nullptr, droppedCount));
    }

    releaser.setDependencies(catalog.dependencies());
    releaser.squeeze(Releaser::SaveEverything);
    releaser.save(device);
    return true;
}

} // namespace Lexora
