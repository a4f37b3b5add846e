#include "languages/languagemodel.h"
#include "translationsview/recentscombobox.h"
#include "translationsview/suggestionsmodel.h"

#include <QAbstractItemModelTester>
#include <QListView>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

using Lexora::RecentsComboBox;
using Lexora::SuggestionsModel;

namespace {

const QStringList codes { "ar", "de", "en", "fr", "ja", "sv" };

// Rows like the project's language model: a name, the code in Qt::UserRole.
std::unique_ptr<QStandardItemModel> languageModel(const QStringList &languageCodes = codes)
{
    auto model = std::make_unique<QStandardItemModel>();
    for (const QString &code : languageCodes) {
        auto *item = new QStandardItem(QStringLiteral("Language %1").arg(code));
        item->setData(code, Qt::UserRole);
        model->appendRow(item);
    }
    return model;
}

QStringList recentCodes(const QAbstractItemModel &model)
{
    QStringList shown;
    for (int row = 0; row < 3; ++row)
        shown.append(model.index(row, 0).data(Qt::UserRole).toString());
    return shown;
}

QList<int> hiddenRows(RecentsComboBox &box)
{
    auto *list = qobject_cast<QListView *>(box.view());
    QList<int> hidden;
    for (int row = 0; row < box.count(); ++row) {
        if (list->isRowHidden(row))
            hidden.append(row);
    }
    return hidden;
}

} // namespace

class tst_RecentsComboBox : public QObject
{
    Q_OBJECT

private slots:
    void layout()
    {
        auto source = languageModel();
        SuggestionsModel model(3);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setSourceModel(source.get());

        QCOMPARE(model.rowCount(), int(codes.size()) + 4);
        for (int row = 0; row < 3; ++row) {
            const QModelIndex empty = model.index(row, 0);
            QVERIFY(!empty.data(Qt::DisplayRole).isValid());
            QVERIFY(!empty.data(Qt::UserRole).isValid());
            QVERIFY(!(empty.flags() & (Qt::ItemIsEnabled | Qt::ItemIsSelectable)));
        }
        const QModelIndex separator = model.index(3, 0);
        QCOMPARE(separator.data(Qt::AccessibleDescriptionRole).toString(), "separator");
        QVERIFY(!separator.data(Qt::DisplayRole).isValid());
        QVERIFY(!(separator.flags() & (Qt::ItemIsEnabled | Qt::ItemIsSelectable)));
        for (int row = 4; row < model.rowCount(); ++row) {
            QCOMPARE(model.index(row, 0).data(Qt::UserRole).toString(), codes.at(row - 4));
            QCOMPARE(model.index(row, 0).flags(), source->index(row - 4, 0).flags());
            QCOMPARE(model.mapFromSource(source->index(row - 4, 0)), model.index(row, 0));
        }
        QVERIFY(!model.index(0, 0).parent().isValid());
        QCOMPARE(model.rowCount(model.index(5, 0)), 0);

        // The source grows and shrinks; rows keep their place below the recents.
        source->insertRow(0, new QStandardItem(QStringLiteral("first")));
        QCOMPARE(model.index(4, 0).data().toString(), QStringLiteral("first"));
        source->removeRows(0, 2);
        QCOMPARE(model.index(4, 0).data(Qt::UserRole).toString(), codes.at(1));

        // A match reaches the full list, also for a code that is a recent entry as well.
        model.addRecent(5);
        const auto find = [&model](const char *code) {
            return model.match(model.index(0, 0), Qt::UserRole, code, 1, Qt::MatchExactly);
        };
        QCOMPARE(find("en"), QModelIndexList { model.index(5, 0) });
        QVERIFY(find("xx").isEmpty());
        source->clear();
        QCOMPARE(model.rowCount(), 4);
    }

    void addRecent_data()
    {
        QTest::addColumn<QList<int>>("chosen");
        QTest::addColumn<QList<bool>>("changed");
        QTest::addColumn<QStringList>("recents");

        QTest::newRow("one") << QList<int> { 5 } << QList<bool> { true }
                             << QStringList { "de", "", "" };
        QTest::newRow("newest first")
            << QList<int> { 5, 7 } << QList<bool> { true, true } << QStringList { "fr", "de", "" };
        QTest::newRow("again from the full list")
            << QList<int> { 5, 7, 5 } << QList<bool> { true, true, false }
            << QStringList { "fr", "de", "" };
        QTest::newRow("a recent row itself")
            << QList<int> { 5, 7, 0, 1 } << QList<bool> { true, true, false, false }
            << QStringList { "fr", "de", "" };
        QTest::newRow("fourth drops the oldest")
            << QList<int> { 4, 5, 6, 7 } << QList<bool> { true, true, true, true }
            << QStringList { "fr", "en", "de" };
        QTest::newRow("separator and past the end")
            << QList<int> { 3, 42, -1 } << QList<bool> { false, false, false }
            << QStringList { "", "", "" };
    }

    void addRecent()
    {
        QFETCH(QList<int>, chosen);
        QFETCH(QList<bool>, changed);
        QFETCH(QStringList, recents);

        auto source = languageModel();
        SuggestionsModel model(3);
        model.setSourceModel(source.get());
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy dataChanged(&model, &QAbstractItemModel::dataChanged);
        for (qsizetype i = 0; i < chosen.size(); ++i)
            QCOMPARE(model.addRecent(chosen[i]), changed[i]);
        QCOMPARE(recentCodes(model), recents);
        QCOMPARE(dataChanged.size(), int(changed.count(true)));
        QVERIFY(model.recents().size() <= 3);
        // Shown recent rows are as usable as their originals.
        for (int row = 0; row < model.recents().size(); ++row)
            QVERIFY(model.index(row, 0).flags() & Qt::ItemIsEnabled);
    }

    // Choices in the box, then (when given) the project's languages loaded
    // again, after the language dialog or a test run: the working language
    // stays what the user chose.
    void choices_data()
    {
        QTest::addColumn<QList<int>>("chosen");
        QTest::addColumn<QStringList>("reloaded"); // empty: no reload
        QTest::addColumn<QString>("current");
        QTest::addColumn<QStringList>("emitted"); // by the reload, if any
        QTest::addColumn<QStringList>("recents");
        QTest::addColumn<QList<int>>("hidden");

        QTest::newRow("nothing chosen") << QList<int>() << QStringList() << "ar" << QStringList()
                                        << QStringList { "", "", "" } << QList<int> { 0, 1, 2 };
        QTest::newRow("one language")
            << QList<int> { 6 } << QStringList() << "en" << QStringList { "en" }
            << QStringList { "en", "", "" } << QList<int> { 1, 2 };
        QTest::newRow("the same again")
            << QList<int> { 6, 5, 6 } << QStringList() << "en" << QStringList { "en", "de", "en" }
            << QStringList { "de", "en", "" } << QList<int> { 2 };
        QTest::newRow("a recent entry")
            << QList<int> { 6, 5, 1 } << QStringList() << "en" << QStringList { "en", "de", "en" }
            << QStringList { "de", "en", "" } << QList<int> { 2 };
        // Row 4 is the start: choosing it emits nothing.
        QTest::newRow("five languages") << QList<int> { 4, 5, 6, 7, 8 } << QStringList() << "ja"
                                        << QStringList { "de", "en", "fr", "ja" }
                                        << QStringList { "ja", "fr", "en" } << QList<int>();
        QTest::newRow("reload: same languages again")
            << QList<int> { 8, 4 } << codes << "ar" << QStringList {}
            << QStringList { "ar", "ja", "" } << QList<int> { 2 };
        QTest::newRow("reload: a language added above the choice")
            << QList<int> { 8 } << QStringList { "ar", "cs", "de", "en", "fr", "ja", "sv" } << "ja"
            << QStringList {} << QStringList { "ja", "", "" } << QList<int> { 1, 2 };
        QTest::newRow("reload: a recent language dropped")
            << QList<int> { 5, 8 } << QStringList { "ar", "en", "ja" } << "ja" << QStringList {}
            << QStringList { "ja", "", "" } << QList<int> { 1, 2 };
        QTest::newRow("reload: the chosen language dropped")
            << QList<int> { 8 } << QStringList { "ar", "en" } << "ar" << QStringList { "ar" }
            << QStringList { "", "", "" } << QList<int> { 0, 1, 2 };
    }

    void choices()
    {
        QFETCH(QList<int>, chosen);
        QFETCH(QStringList, reloaded);
        QFETCH(QString, current);
        QFETCH(QStringList, emitted);
        QFETCH(QStringList, recents);
        QFETCH(QList<int>, hidden);

        const auto languages = [](const QStringList &languageCodes) {
            Lexora::Languages list;
            for (const QString &code : languageCodes)
                list.emplace_back(code.toStdString(), "Language " + code.toStdString());
            return list;
        };
        Lexora::LanguageModel source;
        source.setLanguages(languages(codes));
        RecentsComboBox box(&source);
        QSignalSpy values(&box, &RecentsComboBox::currentValueChanged);
        // The first language of the full list, without a signal.
        QCOMPARE(box.currentIndex(), 4);
        QCOMPARE(box.currentData(Qt::UserRole).toString(), codes.first());

        for (int row : std::as_const(chosen))
            box.setCurrentIndex(row);
        if (!reloaded.isEmpty()) {
            values.clear();
            source.setLanguages(languages(reloaded));
        }
        QCOMPARE(box.currentData(Qt::UserRole).toString(), current);
        if (!reloaded.isEmpty())
            QVERIFY(box.currentIndex() > 3); // the full list's entry, not a recent copy
        QStringList seen;
        for (const QList<QVariant> &arguments : std::as_const(values))
            seen.append(arguments.at(0).toString());
        QCOMPARE(seen, emitted);
        QCOMPARE(recentCodes(*box.model()), recents);
        QCOMPARE(hiddenRows(box), hidden);
        QVERIFY(box.shownRecents() <= 3);
    }
};

QTEST_MAIN(tst_RecentsComboBox)
#include "tst_recentscombobox.moc"
