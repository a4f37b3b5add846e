#include "languages/language.h"

#include <QDebug>
#include <QString>

namespace Lexora {

QString Language::codeString() const
{
    return QString::fromUtf8(code);
}

QString Language::nameString() const
{
    return QString::fromUtf8(name);
}

void registerLanguageMetaTypes()
{
    static const bool registered = [] {
        qRegisterMetaType<Language>();
        qRegisterMetaType<Languages>();
        // moc records the parameters of signals and slots as written inside the namespace.
        qRegisterMetaType<Language>("Language");
        qRegisterMetaType<Languages>("Languages");
        qRegisterMetaType<Languages>("Lexora::Languages");
        return true;
    }();
    Q_UNUSED(registered)
}

QDebug operator<<(QDebug debug, const Language &language)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "Language(" << language.code << ", " << language.name << ')';
    return debug;
}

} // namespace Lexora
