#include "visualreportpage.h"

#include <QCoreApplication>
#include <QUrl>

namespace Lexora {

namespace {

QString tr(const char *text, const char *disambiguation = nullptr, int n = -1)
{
    return QCoreApplication::translate("VisualReportPage", text, disambiguation, n);
}

// Every text on the page comes from the project (IDs, translations, file and
// state names): none may become markup.
QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

// Our own picture names, but a folder name given by the user can hold
// anything a URL must not: written as a relative URL path.
QString link(const QString &fileName)
{
    return escaped(QString::fromLatin1(QUrl::toPercentEncoding(fileName, "/")));
}

QString findingLine(const VisualReportPage::Finding &finding)
{
    QString line = QStringLiteral("<li class=\"%1\"><span class=\"kind\">%2</span> "
                                  "<code>%3</code> <span class=\"where\">%4:%5</span>")
                       .arg(finding.missing ? QStringLiteral("missing") : QStringLiteral("elided"),
                            escaped(finding.missing ? tr("Missing translation") : tr("Elided")),
                            escaped(finding.translationId))
                       .arg(finding.line)
                       .arg(finding.column);
    if (!finding.shownText.isEmpty())
        line += QStringLiteral(" &ldquo;<span class=\"text\">%1</span>&rdquo;")
                    .arg(escaped(finding.shownText));
    if (!finding.framed)
        line += QStringLiteral(" <em>%1</em>").arg(escaped(tr("(not shown in this picture)")));
    return line + QStringLiteral("</li>");
}

QString cell(const VisualReportPage::Picture &picture, const QString &alt)
{
    QString html = QStringLiteral("<td>");
    if (!picture.fileName.isEmpty()) {
        html += QStringLiteral("<a href=\"%1\"><img src=\"%1\" width=\"%2\" height=\"%3\" "
                               "alt=\"%4\"></a>")
                    .arg(link(picture.fileName))
                    .arg(picture.size.width())
                    .arg(picture.size.height())
                    .arg(escaped(alt));
    }
    if (!picture.note.isEmpty())
        html += QStringLiteral("<p class=\"note\">%1</p>").arg(escaped(picture.note));
    if (picture.findings.isEmpty()) {
        html += QStringLiteral("<p class=\"clean\">%1</p>").arg(escaped(tr("No findings")));
    } else {
        html += QStringLiteral("<ul>");
        for (const VisualReportPage::Finding &finding : picture.findings)
            html += findingLine(finding);
        html += QStringLiteral("</ul>");
    }
    return html + QStringLiteral("</td>");
}

} // namespace

QByteArray VisualReportPage::toHtml() const
{
    int missing = 0;
    int elided = 0;
    for (const Row &row : rows) {
        for (const Picture &picture : row.pictures) {
            for (const Finding &finding : picture.findings)
                ++(finding.missing ? missing : elided);
        }
    }

    QString html = QStringLiteral(
                       "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>%1</title>\n<style>\n"
                       "body { font-family: sans-serif; margin: 16px; background: #fafafa; }\n"
                       "table { border-collapse: collapse; }\n"
                       "th, td { border: 1px solid #ccc; padding: 8px; vertical-align: top; "
                       "text-align: left; }\n"
                       "th.screen { white-space: nowrap; background: #eee; }\n"
                       "img { display: block; border: 1px solid #999; }\n"
                       "td ul { margin: 6px 0 0 0; padding-left: 18px; max-width: 420px; }\n"
                       "li.missing .kind { color: %2; font-weight: bold; }\n"
                       "li.elided .kind { color: %3; font-weight: bold; }\n"
                       ".where { color: #666; }\n"
                       ".legend span { display: inline-block; padding: 0 6px; margin-right: 12px; "
                       "border: 3px solid; }\n"
                       ".note { color: #a60; } .clean { color: #080; }\n"
                       "</style>\n</head>\n<body>\n<h1>%1</h1>\n")
                       .arg(escaped(title), missingColor.name(), elideColor.name());
    html += QStringLiteral("<p class=\"legend\"><span style=\"border-color: %1\">%2</span>"
                           "<span style=\"border-color: %3\">%4</span></p>\n")
                .arg(missingColor.name(),
                     escaped(tr("Missing translation: %n in the pictures", nullptr, missing)),
                     elideColor.name(),
                     escaped(tr("Elided text: %n in the pictures", nullptr, elided)));
    html += QStringLiteral("<table>\n<tr><th>%1</th>").arg(escaped(tr("Screen and state")));
    for (const QString &language : languages)
        html += QStringLiteral("<th>%1</th>").arg(escaped(language));
    html += QStringLiteral("</tr>\n");
    for (const Row &row : rows) {
        const QString state = row.state.isEmpty() ? tr("base state") : row.state;
        html += QStringLiteral("<tr><th class=\"screen\">%1<br><small>%2</small></th>")
                    .arg(escaped(row.screen), escaped(state));
        for (const Picture &picture : row.pictures) {
            html += cell(picture,
                         QStringLiteral("%1 (%2, %3)").arg(row.screen, state, picture.language));
        }
        html += QStringLiteral("</tr>\n");
    }
    html += QStringLiteral("</table>\n</body>\n</html>\n");
    return html.toUtf8();
}

} // namespace Lexora
