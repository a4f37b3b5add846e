// The search tab: whatever a user types goes to the search model as it is,
// and the model hands it to the full-text index as a query. Each input is the
// typed text (UTF-8). The model must answer every text with a result or with
// "cannot parse" (false) and stay a consistent model either way, which Qt's
// model tester watches; any other database failure on a healthy database would
// put an error box in front of someone who only mistyped.

#include "fuzzdatabase.h"

#include "databaseaccess.h"
#include "translationsview/translationsearchmodel.h"

#include <QAbstractItemModelTester>

#include <cstdio>

using namespace Lexora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static DatabaseAccess access(nullptr, &Fuzz::sampleDatabase().databaseIo());
    static TranslationSearchModel *const model = [] {
        auto searchModel = new TranslationSearchModel(access);
        new QAbstractItemModelTester(
            searchModel, QAbstractItemModelTester::FailureReportingMode::Fatal, searchModel);
        return searchModel;
    }();

    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        model->setSearchText(text);
    } catch (const Host::Sqlite::Exception &exception) {
        std::fprintf(
            stderr, "search failed with code %d: %s\n", exception.errorCode(), exception.what());
        std::abort();
    }
    std::size_t sum = 0;
    static constexpr int roles[] = { Qt::DisplayRole, Qt::ToolTipRole, Qt::TextAlignmentRole };
    for (int row = 0; row < model->rowCount(); ++row) {
        for (int column = 0; column < model->columnCount(); ++column) {
            for (int role : roles)
                sum += std::size_t(model->data(model->index(row, column), role).toString().size());
        }
    }
    if (sum == std::size_t(-1))
        std::abort();
    return 0;
}
