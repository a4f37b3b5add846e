// Measures what one binding change costs the translations view in a large
// document against attaching the view to that document, in the same run:
// a document with 10,000 `qsTrId` bindings, every ID known to the database.
//  (a) attach: the view collects the IDs of all bindings, loads the
//      languages and fills the table from the database;
//  (b) one change: a binding's `qsTrId` argument is set through the model,
//      the text is rewritten, the view is notified and the table follows.
// The target is (b) <= (a) / 50.
//
// Then it opens a document of 20,000 `Text` items as the studio does (model,
// form view, navigator tree) against Qt Quick alone compiling and creating
// the same document; the target is at most 3 times Qt Quick's time.

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
#include <formeditor/formeditorview.h>
#include <formeditor/nodenavigatorview.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace Lexora;

namespace {

constexpr int bindings = 10000;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

constexpr int largeItems = 20000;

// True when the figure holds.
bool largeDocument(const QTemporaryDir &directory)
{
    QString text = QStringLiteral("import QtQuick\n\nItem {\n    width: 800; height: 600\n");
    for (int index = 0; index < largeItems; ++index)
        text += QStringLiteral("    Text { x: %1; y: %2; text: qsTrId(\"item.%3\") }\n")
                    .arg(index % 40 * 20)
                    .arg(index / 40 % 30 * 20)
                    .arg(index);
    text += QStringLiteral("}\n");
    const QUrl url = QUrl::fromLocalFile(directory.filePath(QStringLiteral("Large.ui.qml")));

    QElapsedTimer timer;
    std::vector<double> qtQuickTimes;
    {
        QQmlEngine engine;
        for (int round = 0; round < 3; ++round) {
            engine.clearComponentCache();
            timer.start();
            QQmlComponent component(&engine);
            component.setData(text.toUtf8(), url);
            std::unique_ptr<QObject> object(component.create());
            qtQuickTimes.push_back(double(timer.nsecsElapsed()));
            if (!object) {
                std::fprintf(stderr, "Qt Quick cannot create the large document\n");
                return false;
            }
        }
    }

    std::vector<double> openTimes;
    Host::FormEditor::FormEditorView formEditor;
    Host::FormEditor::NodeNavigatorView navigator;
    std::unique_ptr<QWidget> form(formEditor.widgetDescription().widget);
    std::unique_ptr<QWidget> tree(navigator.widgetDescription().widget);
    for (int round = 0; round < 3; ++round) {
        timer.start();
        Host::Designer::FormDocument document;
        document.model()->setFileUrl(url);
        if (!document.setText(text)) {
            std::fprintf(stderr, "the large document does not parse\n");
            return false;
        }
        document.model()->attachView(&formEditor);
        document.model()->attachView(&navigator);
        openTimes.push_back(double(timer.nsecsElapsed()));
        if (!formEditor.formView()->errors().isEmpty()) {
            std::fprintf(stderr, "the form view cannot show the large document\n");
            return false;
        }
        document.model()->detachView(&navigator);
        document.model()->detachView(&formEditor);
    }

    const double qtQuick = median(qtQuickTimes);
    const double open = median(openTimes);
    const double ratio = open / qtQuick;
    std::printf("document with %d Text items\n", largeItems);
    std::printf("Qt Quick alone (compile, create):          %10.1f ms (median of %zu)\n",
                qtQuick / 1e6,
                qtQuickTimes.size());
    std::printf("open in the designer (model, form, tree):  %10.1f ms (median of %zu)\n",
                open / 1e6,
                openTimes.size());
    char measured[64], peer[64];
    Lexora::Bench::printResult("bench_designer",
                               "open 20,000 items",
                               Lexora::Bench::format(measured, "%.0f ms", open / 1e6),
                               Lexora::Bench::format(peer, "Qt Quick %.0f ms", qtQuick / 1e6),
                               ratio,
                               3,
                               "x");
    return ratio <= 3;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
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
    const bool large = largeDocument(directory);
    return ratio <= 1.0 / 50 && large ? 0 : 1;
}
