#include "checkreport.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace Lexora {

CheckSeverity severityOf(QStringView check)
{
    if (check == QLatin1String(CheckNames::missing)
        || check == QLatin1String(CheckNames::placeholders)
        || check == QLatin1String(CheckNames::unreadable))
        return CheckSeverity::Error;
    return CheckSeverity::Warning;
}

int CheckReport::errorCount() const
{
    return int(std::count_if(findings.begin(), findings.end(), [](const CheckFinding &finding) {
        return finding.severity == CheckSeverity::Error;
    }));
}

QJsonDocument CheckReport::toJson() const
{
    QJsonArray findingArray;
    for (const CheckFinding &finding : findings) {
        QJsonObject object {
            { QLatin1String("check"), finding.check },
            { QLatin1String("severity"),
              finding.severity == CheckSeverity::Error ? QLatin1String("error")
                                                       : QLatin1String("warning") },
            { QLatin1String("translationId"), finding.translationId },
            { QLatin1String("language"), finding.language },
            { QLatin1String("primaryText"), finding.primaryText },
            { QLatin1String("translation"), finding.translation },
        };
        if (finding.check == QLatin1String(CheckNames::unreadable)) {
            object.insert(QLatin1String("componentPath"), finding.componentPath);
            object.insert(QLatin1String("line"), finding.line);
            object.insert(QLatin1String("message"), finding.message);
        } else if (!finding.componentPath.isEmpty()) {
            object.insert(QLatin1String("componentPath"), finding.componentPath);
            object.insert(QLatin1String("state"), finding.state);
        }
        findingArray.append(object);
    }

    QJsonArray coverageArray;
    for (const LanguageCoverage &language : coverage) {
        coverageArray.append(QJsonObject {
            { QLatin1String("language"), language.language },
            { QLatin1String("used"), language.used },
            { QLatin1String("translated"), language.translated },
            { QLatin1String("missing"), language.missing },
            // One decimal, as the printed table shows it.
            { QLatin1String("percentTranslated"),
              std::floor(language.percentTranslated() * 10.0) / 10.0 },
        });
    }

    return QJsonDocument(QJsonObject {
        { QLatin1String("primaryLanguage"), primaryLanguage },
        { QLatin1String("errors"), errorCount() },
        { QLatin1String("warnings"), int(findings.size()) - errorCount() },
        { QLatin1String("findings"), findingArray },
        { QLatin1String("coverage"), coverageArray },
    });
}

} // namespace Lexora
