#include "translationtestviewinterface.h"

#include <QCoreApplication>

namespace Lexora {

void TranslationTestViewInterface::runWithCurrentQmFiles(
    QObject *context,
    bool generate,
    const QString &pseudoLanguage,
    const std::function<void(const QString &)> &status,
    const std::function<void()> &start,
    const std::function<void()> &failed)
{
    status({});
    if (!pseudoLanguage.isEmpty()) {
        // The project's own files play no part in a made-up language.
        if (!preparePseudoLanguages() || !pseudoLanguages().contains(pseudoLanguage)) {
            failed();
            status(QCoreApplication::translate("Lexora",
                                               "The texts of %1 could not be made (see the Issues "
                                               "list); nothing was tested.")
                       .arg(pseudoLanguage));
            return;
        }
        start();
        return;
    }
    if (!generate) {
        start();
        return;
    }
    status(QCoreApplication::translate("Lexora", "Generating the qm files..."));
    generateQmFilesThen(context, [status, start, failed](bool written) {
        if (written) {
            status({});
            start();
            return;
        }
        failed();
        status(QCoreApplication::translate("Lexora",
                                           "The qm files could not be generated (see the Issues "
                                           "list); nothing was tested."));
    });
}

} // namespace Lexora
