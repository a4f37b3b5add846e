// Measures what one binding change costs the translations view in a large
// document against attaching the view to that document, in the same run:
// a document with 10,000 `qsTrId` bindings, every ID known to the database.
//  (a) attach: the view collects the IDs of all bindings, loads the
//      languages and fills the table from the database;
//  (b) one change: a binding's `qsTrId` argument is set through the model,
//      the text is rewritten, the view is notified and the table follows.
// The target is (b) <= (a) / 50.

#include "benchresult.h"
#include "databaseaccess.h"
#include "databaseio/projectdatabase.h"
#include "fileservices.h"
#include "jsonimportexport.h"
#include "translationfileservices.h"
#include "translationsview/translationsview.h"
#include "userfeedback.h"

#include <designer/documentmodel.h>
#include <designer/formdocument.h>
#include <designer/node.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Lexora;

namespace {

constexpr int bindings = 10000;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir directory;

    ProjectDatabase database(directory.filePath(QStringLiteral("translations.db")));
    TranslatableEntries entries;
    QString text = QStringLiteral("import QtQuick\n\nItem {\n    id: root\n");
    for (int index = 0; index < bindings; ++index) {
        const std::string id
            = "screen" + std::to_string(index / 100) + ".label" + std::to_string(index);
        TranslatableEntry entry;
        entry.translationTextId = id;
        entry.translations.push_back({ "en", "Label " + std::to_string(index), {}, 0 });
        entries.push_back(std::move(entry));
        text += QStringLiteral("    Text {\n        id: t%1\n        text: qsTrId(\"%2\")\n    }\n")
                    .arg(index)
                    .arg(QString::fromStdString(id));
    }
    text += QStringLiteral("}\n");
    database.databaseIo().syncTranslatables(entries);

    JsonImportExport json;
    DatabaseAccess access(&json, &database.databaseIo());
    UserFeedback feedback;
    FileServices fileServices;
    TranslationFileServices translationFileServices(feedback);
    TranslationsView view(access, translationFileServices, fileServices, feedback);
    TranslationsModel *table = view.translationsModel();
    table->setPrimaryLanguage(Language("en", "English"));

    Host::Designer::FormDocument document;
    if (!document.setText(text)) {
        std::fprintf(stderr, "the benchmark document does not parse\n");
        return 1;
    }
    Host::Designer::DocumentModel *model = document.model();

    std::vector<double> attachTimes;
    QElapsedTimer timer;
    for (int round = 0; round < 7; ++round) {
        model->detachView(&view);
        timer.start();
        model->attachView(&view);
        attachTimes.push_back(double(timer.nsecsElapsed()));
    }
    if (table->rowCount() != bindings) {
        std::fprintf(stderr, "the table has %d rows instead of %d\n", table->rowCount(), bindings);
        return 1;
    }

    std::vector<double> changeTimes;
    const QList<Host::Designer::Node *> nodes = model->allNodes();
    for (int round = 0; round < 200; ++round) {
        Host::Designer::Node *node = nodes[1 + (round * 37) % bindings];
        const QString expression
            = QStringLiteral("qsTrId(\"screen%1.label%2\")").arg((round % 50) * 2).arg(round);
        timer.start();
        model->setBindingProperty(node, "text", expression);
        changeTimes.push_back(double(timer.nsecsElapsed()));
    }

    const double attach = median(attachTimes);
    const double change = median(changeTimes);
    const double ratio = change / attach;
    std::printf("document with %d qsTrId bindings, %d table rows\n", bindings, table->rowCount());
    std::printf("attach (collect, languages, table):       %10.3f ms (median of %zu)\n",
                attach / 1e6,
                attachTimes.size());
    std::printf("one binding change (notify, table update): %10.3f ms (median of %zu)\n",
                change / 1e6,
                changeTimes.size());
    std::printf("change / attach = 1/%.0f (target: at most 1/50) %s\n",
                1.0 / ratio,
                ratio <= 1.0 / 50 ? "ok" : "MISSED");
    char measured[64], peer[64];
    Bench::printResult("bench_designer",
                       "one binding change",
                       Bench::format(measured, "%.3f ms", change / 1e6),
                       Bench::format(peer, "attach %.1f ms", attach / 1e6),
                       ratio,
                       1.0 / 50,
                       "x");
    return ratio <= 1.0 / 50 ? 0 : 1;
}
