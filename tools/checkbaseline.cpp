#include "checkbaseline.h"

#include "checks/checkreport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace Lexora {

namespace {

constexpr char formatName[] = "lexora-check-baseline";

QJsonObject keyObject(const CheckFinding &finding)
{
    QJsonObject object { { QLatin1String("check"), finding.check },
                         { QLatin1String("language"), finding.language },
                         { QLatin1String("translationId"), finding.translationId } };
    if (!finding.componentPath.isEmpty())
        object.insert(QLatin1String("componentPath"), finding.componentPath);
    if (!finding.state.isEmpty())
        object.insert(QLatin1String("state"), finding.state);
    return object;
}

QString keyOf(const QJsonObject &object)
{
    // A character no ID, language or path holds keeps the parts apart.
    const QChar separator(0x1F);
    return object.value(QLatin1String("check")).toString() + separator
        + object.value(QLatin1String("language")).toString() + separator
        + object.value(QLatin1String("translationId")).toString() + separator
        + object.value(QLatin1String("componentPath")).toString() + separator
        + object.value(QLatin1String("state")).toString();
}

} // namespace

QString CheckBaseline::key(const CheckFinding &finding)
{
    return keyOf(keyObject(finding));
}

bool CheckBaseline::load(const QString &file, QString *error)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        *error = input.errorString();
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(input.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = parseError.errorString();
        return false;
    }
    const QJsonObject root = document.object();
    if (root.value(QLatin1String("format")).toString() != QLatin1String(formatName)
        || !root.value(QLatin1String("findings")).isArray()) {
        *error = QStringLiteral("not a baseline of lexora check");
        return false;
    }
    m_keys.clear();
    for (const QJsonValue &value : root.value(QLatin1String("findings")).toArray())
        m_keys.insert(keyOf(value.toObject()));
    return true;
}

QByteArray CheckBaseline::serialize(const CheckReport &report)
{
    QList<QByteArray> lines;
    QSet<QString> seen;
    for (const CheckFinding &finding : report.findings) {
        if (seen.contains(key(finding)))
            continue;
        seen.insert(key(finding));
        lines.append(QJsonDocument(keyObject(finding)).toJson(QJsonDocument::Compact));
    }
    std::sort(lines.begin(), lines.end());
    QByteArray bytes = "{\n\"format\": \"" + QByteArray(formatName) + "\",\n\"findings\": [\n";
    for (qsizetype index = 0; index < lines.size(); ++index)
        bytes += lines[index] + (index + 1 < lines.size() ? ",\n" : "\n");
    bytes += "]\n}\n";
    return bytes;
}

std::vector<CheckFinding> CheckBaseline::newFindings(const CheckReport &report) const
{
    std::vector<CheckFinding> result;
    std::copy_if(report.findings.begin(),
                 report.findings.end(),
                 std::back_inserter(result),
                 [this](const CheckFinding &finding) { return !m_keys.contains(key(finding)); });
    return result;
}

QStringList CheckBaseline::goneKeys(const CheckReport &report) const
{
    QSet<QString> remaining = m_keys;
    for (const CheckFinding &finding : report.findings)
        remaining.remove(key(finding));
    QStringList gone;
    for (const QString &key : std::as_const(remaining)) {
        const QStringList parts = key.split(QChar(0x1F));
        QString text = parts.value(0) + QLatin1Char(' ')
            + (parts.value(1).isEmpty() ? QStringLiteral("(all languages)") : parts.value(1))
            + QLatin1String(": ") + parts.value(2);
        if (!parts.value(3).isEmpty())
            text += QLatin1String(" in ") + parts.value(3);
        if (!parts.value(4).isEmpty())
            text += QLatin1String(", state ") + parts.value(4);
        gone.append(text);
    }
    gone.sort();
    return gone;
}

} // namespace Lexora
