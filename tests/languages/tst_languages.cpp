#include "languages/alllanguagesmodel.h"
#include "languages/language.h"
#include "languages/languagemodel.h"
#include "languages/languagesselectiondialog.h"
#include "languages/searchedlanguagesfiltermodel.h"
#include "languages/selectedlanguagesmodel.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QResource>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>

#include <algorithm>

using namespace Lexora;

namespace {

const QStringList expectedCodes { "ar",    "cs", "da", "de", "en",    "en-AU", "en-GB", "es",
                                  "es-MX", "fa", "fi", "fr", "fr-CA", "he",    "hi",    "hu",
                                  "it",    "ja", "ko", "nb", "nl",    "pl",    "pt",    "pt-PT",
                                  "ro",    "ru", "sk", "sl", "sv",    "tr",    "uk",    "zh" };

QStringList codesOf(const Languages &languages)
{
    QStringList codes;
    for (const Language &language : languages)
        codes.append(language.codeString());
    return codes;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList column(const QAbstractItemModel *model, int role = Qt::DisplayRole)
{
    QStringList values;
    for (int row = 0; row < model->rowCount(); ++row)
        values.append(model->index(row, 0).data(role).toString());
    return values;
}

QStringList checkedCodes(const QAbstractItemModel *model)
{
    QStringList codes;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked)
            codes.append(model->index(row, 0).data(Qt::UserRole).toString());
    }
    return codes;
}

QModelIndex findCode(const QAbstractItemModel *model, const QString &code)
{
    return model
        ->match(
            model->index(0, 0), Qt::UserRole, code, 1, Qt::MatchExactly | Qt::MatchCaseSensitive)
        .value(0);
}

QString nameIn(const Languages &languages, const QString &code)
{
    const auto found
        = std::find(languages.begin(), languages.end(), Language(code.toStdString(), {}));
    return found == languages.end() ? QStringLiteral("<missing>") : found->nameString();
}

QImage iconImage(const QVariant &decoration)
{
    return decoration.value<QIcon>()
        .pixmap(QSize(16, 11))
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QImage resourceImage(const QString &path)
{
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

// Clicks the check box of the row showing `code`, as a user would with the mouse.
void clickCheckBox(QListView *view, const QString &code)
{
    const QModelIndex index = findCode(view->model(), code);
    QVERIFY2(index.isValid(), qPrintable(code + " is not listed"));
    view->scrollTo(index);
    // Where the view's delegate reacts to a click on the check box of an item.
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    option.rect = view->visualRect(index);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay
        | QStyleOptionViewItem::HasDecoration;
    const int iconExtent = view->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, view);
    option.decorationSize
        = view->iconSize().isValid() ? view->iconSize() : QSize(iconExtent, iconExtent);
    option.text = index.data().toString();
    option.icon = index.data(Qt::DecorationRole).value<QIcon>();
    option.checkState = static_cast<Qt::CheckState>(index.data(Qt::CheckStateRole).toInt());
    QTest::mouseClick(view->viewport(),
                      Qt::LeftButton,
                      {},
                      view->style()
                          ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view)
                          .center());
}

// Toggles the check box of the row showing `code` from the keyboard.
void pressSpaceOn(QListView *view, const QString &code)
{
    const QModelIndex index = findCode(view->model(), code);
    QVERIFY2(index.isValid(), qPrintable(code + " is not listed"));
    view->setFocus();
    view->setCurrentIndex(index);
    QTest::keyClick(view, Qt::Key_Space);
}

void search(QLineEdit *lineEdit, const QString &text)
{
    QTest::keyClick(lineEdit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(lineEdit, Qt::Key_Backspace);
    QTest::keyClicks(lineEdit, text);
}

struct DialogParts
{
    explicit DialogParts(LanguagesSelectionDialog &dialog)
        : search(dialog.findChild<QLineEdit *>("searchLineEdit")),
          all(dialog.findChild<QListView *>("allLanguagesListView")),
          selected(dialog.findChild<QListView *>("selectedLanguagesListView")),
          ok(dialog.findChild<QPushButton *>("okButton")),
          cancel(dialog.findChild<QPushButton *>("cancelButton"))
    { }

    bool complete() const { return search && all && selected && ok && cancel; }
    bool show(QDialog &dialog) const
    {
        dialog.show();
        return complete() && QTest::qWaitForWindowExposed(&dialog);
    }

    QLineEdit *search;
    QListView *all;
    QListView *selected;
    QPushButton *ok;
    QPushButton *cancel;
};

// index() refuses rows outside the model; a stale index from a view need not.
class ProbeLanguageModel : public LanguageModel
{
public:
    QModelIndex uncheckedIndex(int row) const { return createIndex(row, 0); }
};

} // namespace

class TestLanguages : public QObject
{
    Q_OBJECT

private slots:
    void flagsAndCatalogue()
    {
        // This runs first, before any code of the library: linking it must be enough to
        // register the flags.
        const QString sources = QStringLiteral(LEXORA_SOURCE_DIR "/lexoraplugin/flags/");
        for (const QString &code : expectedCodes + QStringList { "placeholder" }) {
            const QImage embedded = resourceImage(":/flags/" + code + ".png");
            QVERIFY2(!embedded.isNull(), qPrintable(code));
            QCOMPARE(embedded.size(), QSize(16, 11));
            QCOMPARE(embedded, resourceImage(sources + code + ".png"));
        }

        // One code per flag image, each naming a language QLocale knows, with its own flag.
        QStringList flagFiles;
        for (const QFileInfo &file : QDir(sources).entryInfoList({ "*.png" }, QDir::Files))
            flagFiles.append(file.baseName());
        flagFiles.removeOne("placeholder");
        QCOMPARE(sorted(LanguagesSelectionDialog::getAllSupportedLanguageCodes()),
                 sorted(flagFiles));
        QCOMPARE(sorted(flagFiles), sorted(expectedCodes));
        const Languages catalogue = LanguagesSelectionDialog::supportedLanguages();
        QCOMPARE(sorted(codesOf(catalogue)), sorted(expectedCodes));
        const QImage placeholder = resourceImage(QStringLiteral(":/flags/placeholder.png"));
        LanguageModel model;
        model.setLanguages(catalogue);
        for (int row = 0; row < model.rowCount(); ++row) {
            const QString code = model.index(row, 0).data(Qt::UserRole).toString();
            const QImage flag = iconImage(model.index(row, 0).data(Qt::DecorationRole));
            QVERIFY2(flag != placeholder, qPrintable(code));
            QCOMPARE(flag, resourceImage(":/flags/" + code + ".png"));
        }

        // The English name from Qt's locale data, then the native name where it differs.
        for (const auto &[code, name] : std::initializer_list<std::pair<const char *, QString>> {
                 { "de", "German - Deutsch" },
                 { "ja", u"Japanese - 日本語"_qs },
                 { "ru", u"Russian - русский"_qs },
                 { "fr-CA", u"French - français canadien"_qs },
                 { "pt", u"Portuguese - português"_qs },
                 { "pt-PT", u"Portuguese - português europeu"_qs },
                 { "en-GB", "English - British English" },
                 { "ar", u"Arabic - العربية"_qs } })
            QCOMPARE(nameIn(catalogue, code), name);
    }

    void metaTypesAreRegisteredUnderTheirNames()
    {
        registerLanguageMetaTypes();
        const QMetaType languageType = QMetaType::fromName("Lexora::Language");
        QVERIFY(languageType.isValid());
        QCOMPARE(languageType, QMetaType::fromType<Language>());
        const QMetaType languagesType = QMetaType::fromName("std::vector<Lexora::Language>");
        QVERIFY(languagesType.isValid());
        QCOMPARE(languagesType, QMetaType::fromType<Languages>());
        QCOMPARE(QMetaType::fromName("Languages"), languagesType);
        QCOMPARE(QMetaType::fromName("Language"), languageType);
        // The one alias the queued connections below do not reach.
        QVERIFY(LanguageModel::staticMetaObject.indexOfSignal("languagesChanged(Languages)") >= 0);
        // Values survive a round trip through QVariant, and equality is by code.
        QCOMPARE(QVariant::fromValue(Languages { { "de", "German" } }).value<Languages>(),
                 (Languages { { "de", "Deutsch" } }));
        QVERIFY(Language("de", "German") == Language("de", "Deutsch"));
        QVERIFY(!(Language("de", "German") == Language("de-AT", "German")));

        // String-based, queued: the arguments have to be found by the names in the signatures.
        AllLanguagesModel all;
        SelectedLanguagesModel selected;
        QVERIFY(QObject::connect(&all,
                                 SIGNAL(selectedLanguagesChanged(Languages)),
                                 &selected,
                                 SLOT(setLanguages(Languages)),
                                 Qt::QueuedConnection));
        QVERIFY(QObject::connect(&all,
                                 SIGNAL(primaryLanguageChanged(Language)),
                                 &selected,
                                 SLOT(setPrimaryLanguage(Language)),
                                 Qt::QueuedConnection));
        all.setSelectedLanguages({ { "sv", "Swedish" }, { "de", "German" } });
        all.setPrimaryLanguage({ "sv", "Swedish" });
        QCOMPARE(selected.rowCount(), 0);
        QTRY_COMPARE(selected.rowCount(), 2);
        QCOMPARE(column(&selected, Qt::UserRole), (QStringList { "de", "sv" }));
        QTRY_COMPARE(selected.primaryLanguage().codeString(), QStringLiteral("sv"));
    }

    void catalogueFollowsTheFlagImages()
    {
        QVERIFY(QResource::registerResource(LEXORA_EXTRA_FLAGS_RCC));
        const auto unregister
            = qScopeGuard([] { QResource::unregisterResource(LEXORA_EXTRA_FLAGS_RCC); });
        const QStringList codes = LanguagesSelectionDialog::getAllSupportedLanguageCodes();
        QCOMPARE(codes.size(), 35);
        QVERIFY(codes.contains("af") && codes.contains("xx") && !codes.contains("placeholder"));
        const Languages catalogue = LanguagesSelectionDialog::supportedLanguages();
        QCOMPARE(catalogue.size(), std::size_t(34));
        // Native name equal to the English name: shown once.
        QCOMPARE(nameIn(catalogue, "af"), QStringLiteral("Afrikaans"));
        // The comparison is case-sensitive.
        QCOMPARE(nameIn(catalogue, "eo"), QStringLiteral("Esperanto - esperanto"));
        // A code QLocale does not know is left out, even though its image exists.
        QCOMPARE(nameIn(catalogue, "xx"), QStringLiteral("<missing>"));
    }

    void languageModelSortsByLocaleAwareName_data()
    {
        QTest::addColumn<Languages>("languages");
        Languages catalogue = LanguagesSelectionDialog::supportedLanguages();
        QTest::newRow("catalogue as listed") << catalogue;
        std::reverse(catalogue.begin(), catalogue.end());
        QTest::newRow("catalogue reversed") << catalogue;
        QTest::newRow("mixed case and accents") << Languages { { "c", "zulu" },
                                                               { "d", "Émile" },
                                                               { "a", "Apple" },
                                                               { "e", "apple pie" },
                                                               { "b", "Banana" } };
        QTest::newRow("empty") << Languages {};
    }

    void languageModelSortsByLocaleAwareName()
    {
        QFETCH(Languages, languages);
        LanguageModel model;
        QSignalSpy resetSpy(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changedSpy(&model, &LanguageModel::languagesChanged);
        model.setLanguages(languages);
        QCOMPARE(resetSpy.size(), 1);
        QCOMPARE(changedSpy.size(), 1);
        QCOMPARE(model.rowCount(), int(languages.size()));
        const QStringList names = column(&model);
        for (int i = 1; i < names.size(); ++i)
            QVERIFY2(QString::localeAwareCompare(names.at(i - 1), names.at(i)) <= 0,
                     qPrintable(names.at(i - 1) + " before " + names.at(i)));
        // Same languages, and the signal carries the sorted list the model shows.
        QCOMPARE(codesOf(changedSpy.at(0).at(0).value<Languages>()), column(&model, Qt::UserRole));
        QCOMPARE(sorted(column(&model, Qt::UserRole)), sorted(codesOf(languages)));

        // The primary language is announced without a reset.
        QSignalSpy primarySpy(&model, &LanguageModel::primaryLanguageChanged);
        model.setPrimaryLanguage({ "de", "German" });
        QCOMPARE(resetSpy.size(), 1);
        QCOMPARE(primarySpy.size(), 1);
        QCOMPARE(primarySpy.at(0).at(0).value<Language>().nameString(), QStringLiteral("German"));
        QCOMPARE(model.primaryLanguage().codeString(), QStringLiteral("de"));
    }

    void languageModelData_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("role");
        QTest::addColumn<QVariant>("expected");
        // Rows after sorting: 0 "German - Deutsch" (de), 1 "Klingon" (tlh, no flag).
        QTest::newRow("display") << 0 << int(Qt::DisplayRole) << QVariant("German - Deutsch");
        QTest::newRow("code") << 0 << int(Qt::UserRole) << QVariant("de");
        QTest::newRow("flag") << 0 << int(Qt::DecorationRole) << QVariant(":/flags/de.png");
        QTest::newRow("missing flag")
            << 1 << int(Qt::DecorationRole) << QVariant(":/flags/placeholder.png");
        QTest::newRow("no check state") << 0 << int(Qt::CheckStateRole) << QVariant();
        QTest::newRow("edit role") << 0 << int(Qt::EditRole) << QVariant();
        QTest::newRow("row past the end") << 2 << int(Qt::DisplayRole) << QVariant();
        QTest::newRow("negative row") << -1 << int(Qt::DisplayRole) << QVariant();
    }

    void languageModelData()
    {
        QFETCH(int, row);
        QFETCH(int, role);
        QFETCH(QVariant, expected);
        ProbeLanguageModel model;
        model.setLanguages({ { "tlh", "Klingon" }, { "de", "German - Deutsch" } });
        const QVariant value = model.data(model.uncheckedIndex(row), role);
        if (role == Qt::DecorationRole)
            QCOMPARE(iconImage(value), resourceImage(expected.toString()));
        else
            QCOMPARE(value, expected);
    }

    void allLanguagesModelChecking_data()
    {
        QTest::addColumn<QStringList>("initial");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("checkState");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("check appends") << QStringList { "sv", "de" } << "fr" << int(Qt::Checked)
                                       << QStringList { "sv", "de", "fr" };
        QTest::newRow("check into empty")
            << QStringList {} << "ja" << int(Qt::Checked) << QStringList { "ja" };
        QTest::newRow("check twice keeps one entry")
            << QStringList { "sv", "de" } << "sv" << int(Qt::Checked) << QStringList { "sv", "de" };
        QTest::newRow("uncheck removes") << QStringList { "sv", "de", "fr" } << "de"
                                         << int(Qt::Unchecked) << QStringList { "sv", "fr" };
        QTest::newRow("uncheck not selected")
            << QStringList { "sv" } << "de" << int(Qt::Unchecked) << QStringList { "sv" };
        QTest::newRow("partially checked counts as unchecked")
            << QStringList { "sv", "de" } << "sv" << int(Qt::PartiallyChecked)
            << QStringList { "de" };
    }

    void allLanguagesModelChecking()
    {
        QFETCH(QStringList, initial);
        QFETCH(QString, code);
        QFETCH(int, checkState);
        QFETCH(QStringList, expected);
        AllLanguagesModel model;
        model.setLanguages(LanguagesSelectionDialog::supportedLanguages());
        Languages selection;
        for (const QString &selectedCode : initial)
            selection.emplace_back(selectedCode.toStdString(), "given name");
        // Replacing the selection announces it, but leaves the rows alone.
        QSignalSpy selectionSpy(&model, &AllLanguagesModel::selectedLanguagesChanged);
        QSignalSpy resetSpy(&model, &QAbstractItemModel::modelReset);
        QSignalSpy dataSpy(&model, &QAbstractItemModel::dataChanged);
        model.setSelectedLanguages(selection);
        QCOMPARE(selectionSpy.size(), 1);
        QCOMPARE(resetSpy.size() + dataSpy.size(), 0);
        // Only the check state of a row can be set.
        QVERIFY(!model.setData(findCode(&model, "de"), "Deutsch", Qt::EditRole));
        QVERIFY(!model.setData(QModelIndex(), int(Qt::Checked), Qt::CheckStateRole));
        QVERIFY(!model.flags(QModelIndex()).testFlag(Qt::ItemIsUserCheckable));
        QCOMPARE(model.data(QModelIndex(), Qt::CheckStateRole), QVariant());
        QCOMPARE(selectionSpy.size() + dataSpy.size(), 1);
        const QModelIndex index = findCode(&model, code);
        QVERIFY(index.isValid());
        QVERIFY(model.flags(index).testFlag(Qt::ItemIsUserCheckable));
        QCOMPARE(index.data(Qt::CheckStateRole).toInt(),
                 int(initial.contains(code) ? Qt::Checked : Qt::Unchecked));

        // The selection is announced before the row repaints, so that the right-hand list is
        // up to date when the view asks.
        QStringList order;
        connect(&model,
                &AllLanguagesModel::selectedLanguagesChanged,
                this,
                [&](const Languages &l) { order.append("selection " + codesOf(l).join(',')); });
        connect(&model, &QAbstractItemModel::dataChanged, this, [&](const QModelIndex &topLeft) {
            order.append("row " + topLeft.data(Qt::UserRole).toString());
        });
        QVERIFY(model.setData(index, checkState, Qt::CheckStateRole));
        QCOMPARE(codesOf(model.selectedLanguages()), expected);
        QCOMPARE(order, (QStringList { "selection " + expected.join(','), "row " + code }));
        QCOMPARE(index.data(Qt::CheckStateRole).toInt(),
                 int(expected.contains(code) ? Qt::Checked : Qt::Unchecked));
        QCOMPARE(checkedCodes(&model).size(), expected.size());
    }

    void selectedLanguagesModelMovesThePrimaryMark_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("checkState");
        QTest::newRow("check another") << "fr" << int(Qt::Checked);
        QTest::newRow("uncheck another") << "fr" << int(Qt::Unchecked);
        QTest::newRow("uncheck the primary") << "de" << int(Qt::Unchecked);
        QTest::newRow("check the primary") << "de" << int(Qt::Checked);
    }

    void selectedLanguagesModelMovesThePrimaryMark()
    {
        QFETCH(QString, code);
        QFETCH(int, checkState);
        SelectedLanguagesModel model;
        model.setLanguages({ { "sv", "Swedish" }, { "de", "German" }, { "fr", "French" } });
        model.setPrimaryLanguage({ "de", "German" });
        QCOMPARE(checkedCodes(&model), QStringList { "de" });
        QSignalSpy resetSpy(&model, &QAbstractItemModel::modelReset);
        QSignalSpy primarySpy(&model, &LanguageModel::primaryLanguageChanged);
        const QModelIndex index = findCode(&model, code);
        QVERIFY(model.flags(index).testFlag(Qt::ItemIsUserCheckable));
        QVERIFY(model.setData(index, checkState, Qt::CheckStateRole));
        QCOMPARE(resetSpy.size(), 1);
        QCOMPARE(primarySpy.size(), 1);
        QCOMPARE(model.primaryLanguage().codeString(), code);
        QCOMPARE(checkedCodes(&model), QStringList { code });
        QVERIFY(!model.setData(QModelIndex(), int(Qt::Checked), Qt::CheckStateRole));
        QVERIFY(!model.setData(findCode(&model, "sv"), "x", Qt::EditRole));
        QCOMPARE(model.primaryLanguage().codeString(), code);
    }

    void textFilter_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty shows all") << QString() << expectedCodes;
        QTest::newRow("upper case") << "GERM" << QStringList { "de" };
        QTest::newRow("two variants") << "SPAN" << QStringList { "es", "es-MX" };
        QTest::newRow("ASCII text, non-ASCII name") << "NORWEGIAN" << QStringList { "nb" };
        QTest::newRow("mixed case") << "eNgLiSh" << QStringList { "en", "en-AU", "en-GB" };
        QTest::newRow("native name") << QStringLiteral("FRANÇAIS") << QStringList { "fr", "fr-CA" };
        QTest::newRow("separator") << " - Deutsch" << QStringList { "de" };
        QTest::newRow("no match") << "Klingon" << QStringList {};
        QTest::newRow("regular expression is literal") << ".*" << QStringList {};
        QTest::newRow("broken regular expression") << "(" << QStringList {};
        QTest::newRow("wildcard is literal") << "Germ?n" << QStringList {};
    }

    void textFilter()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, expected);
        AllLanguagesModel all;
        all.setLanguages(LanguagesSelectionDialog::supportedLanguages());
        SearchedLanguagesFilterModel searched;
        searched.setSourceModel(&all);
        searched.setTextFilter(filter);
        QCOMPARE(sorted(column(&searched, Qt::UserRole)), sorted(expected));
        // Lifting the filter brings every language back.
        searched.setTextFilter(QString());
        QCOMPARE(searched.rowCount(), all.rowCount());
    }

    void everyLanguageQtKnows_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("country") << "Brazil" << QStringList { "pt_BR" } << "pt_BR"
                                 << u"Portuguese (Brazil) - português (Brasil)"_qs;
        QTest::newRow("native name")
            << u"português"_qs << QStringList { "pt", "pt_BR", "pt-PT", "pt_AO" } << "pt"
            << u"Portuguese - português"_qs;
        QTest::newRow("accents not needed")
            << "portugues" << QStringList { "pt", "pt_BR" } << "pt_BR"
            << u"Portuguese (Brazil) - português (Brasil)"_qs;
        QTest::newRow("language without a flag")
            << "thai" << QStringList { "th", "th_TH" } << "th" << u"Thai - ไทย"_qs;
        QTest::newRow("native script")
            << u"ไทย"_qs << QStringList { "th" } << "th_TH" << u"Thai (Thailand) - ไทย (ไทย)"_qs;
        QTest::newRow("code") << "zh_CN" << QStringList { "zh_CN" } << "zh_CN"
                              << u"Chinese (China) - 简体中文 (中国)"_qs;
        QTest::newRow("code with a hyphen") << "ZH-tw" << QStringList { "zh_TW" } << "zh_TW"
                                            << u"Chinese (Taiwan) - 繁體中文 (台灣)"_qs;
        QTest::newRow("flag entry keeps its code and name")
            << "British" << QStringList { "en-GB" } << "en-GB"
            << "English - British English";
        QTest::newRow("same name in two scripts")
            << "Serbian (" << QStringList { "sr_Cyrl_RS", "sr_Latn_RS" } << "sr_Latn_RS"
            << "Serbian (Latin, Serbia) - srpski (Srbija)";
        QTest::newRow("native name equal to English")
            << "Afrikaans" << QStringList { "af", "af_ZA" } << "af"
            << "Afrikaans";
    }

    void everyLanguageQtKnows()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, found);
        QFETCH(QString, code);
        QFETCH(QString, name);
        const Languages languages = LanguagesSelectionDialog::allLanguages();
        // Each code once, each naming what QLocale reads back from it.
        const QStringList codes = codesOf(languages);
        QCOMPARE(QSet<QString>(codes.begin(), codes.end()).size(), codes.size());
        QVERIFY2(codes.size() > 500, qPrintable(QString::number(codes.size())));
        QVERIFY(!codes.contains("en_GB"));
        for (const Language &language : languages) {
            const QLocale locale(language.codeString());
            QVERIFY2(locale.language() != QLocale::C, language.code.c_str());
            if (language.codeString().count(u'_') == 2)
                QCOMPARE(QLocale::scriptToCode(locale.script()),
                         language.codeString().section(u'_', 1, 1));
        }

        AllLanguagesModel all;
        QAbstractItemModelTester allTester(&all,
                                           QAbstractItemModelTester::FailureReportingMode::QtTest);
        SearchedLanguagesFilterModel searched;
        QAbstractItemModelTester searchedTester(
            &searched, QAbstractItemModelTester::FailureReportingMode::QtTest);
        searched.setSourceModel(&all);
        all.setLanguages(languages);
        all.setSelectedLanguages({ Language("th", "Thai - ไทย") });
        searched.setTextFilter(filter);
        const QStringList shown = column(&searched, Qt::UserRole);
        for (const QString &expected : found)
            QVERIFY2(shown.contains(expected), qPrintable(expected + " in " + shown.join(u' ')));
        const QModelIndex index = findCode(&all, code);
        QVERIFY(index.isValid());
        QCOMPARE(index.data().toString(), name);
        QCOMPARE(index.data(Qt::CheckStateRole).toInt(),
                 int(code == "th" ? Qt::Checked : Qt::Unchecked));

        // Checking a found variant selects it like any other language.
        QVERIFY(searched.setData(searched.index(int(shown.indexOf(found.constFirst())), 0),
                                 Qt::Checked,
                                 Qt::CheckStateRole));
        QVERIFY(codesOf(all.selectedLanguages()).contains(found.constFirst()));
        searched.setTextFilter(QString());
        QCOMPARE(searched.rowCount(), all.rowCount());
    }

    void dialogForm()
    {
        LanguagesSelectionDialog dialog({}, {});
        DialogParts parts(dialog);
        QVERIFY(parts.complete());
        QCOMPARE(dialog.objectName(), QStringLiteral("LanguagesSelectionDialog"));
        QCOMPARE(dialog.size(), QSize(800, 600));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Select project languages"));
        QCOMPARE(dialog.parent(), nullptr);
        QCOMPARE(parts.search->placeholderText(), QStringLiteral("search"));
        QVERIFY(parts.search->isClearButtonEnabled());
        QCOMPARE(parts.cancel->text(), QStringLiteral("Cancel"));
        QCOMPARE(parts.ok->text(), QStringLiteral("Ok"));
        auto *label = dialog.findChild<QLabel *>("label");
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("Primary language"));
        QVERIFY(qobject_cast<SearchedLanguagesFilterModel *>(parts.all->model()));
        QVERIFY(qobject_cast<AllLanguagesModel *>(
            static_cast<QSortFilterProxyModel *>(parts.all->model())->sourceModel()));
        QVERIFY(qobject_cast<SelectedLanguagesModel *>(parts.selected->model()));
        // The search field and all languages on the left, the chosen ones on the right.
        auto *grid = dialog.findChild<QGridLayout *>("gridLayout");
        QVERIFY(grid);
        QCOMPARE(grid->itemAtPosition(0, 0)->widget(), parts.search);
        QCOMPARE(grid->itemAtPosition(1, 0)->widget(), parts.all);
        QCOMPARE(grid->itemAtPosition(0, 1)->widget(), label);
        QCOMPARE(grid->itemAtPosition(1, 1)->widget(), parts.selected);
        QCOMPARE(dialog.primaryLanguageCode(), QString());
        QCOMPARE(dialog.selectedLanguageCodes(), QStringList());

        LanguagesSelectionDialog given(
            { { "zh", "Chinese" }, { "ar", "Arabic" }, { "sv", "Swedish" }, { "de", "German" } },
            { "de", "German" });
        QCOMPARE(given.selectedLanguageCodes(), (QStringList { "zh", "ar", "sv", "de" }));
        QCOMPARE(codesOf(given.selectedLanguages()), (QStringList { "zh", "ar", "sv", "de" }));
        // Until the selection changes, the right list shows the names as the caller gave them.
        QCOMPARE(column(DialogParts(given).selected->model()),
                 (QStringList { "Arabic", "Chinese", "German", "Swedish" }));
        // The primary language, though, takes its name from the catalogue.
        QCOMPARE(given.primaryLanguageCode(), QStringLiteral("de"));
        QCOMPARE(given.primaryLanguage().nameString(), QStringLiteral("German - Deutsch"));

        // A primary language outside the catalogue keeps the name it was given; not on
        // offer on the left, but shown with the placeholder flag on the right.
        LanguagesSelectionDialog klingon({ { "tlh", "Klingon" }, { "de", "German" } },
                                         { "tlh", "Klingon" });
        DialogParts klingonParts(klingon);
        QCOMPARE(klingon.primaryLanguage().nameString(), QStringLiteral("Klingon"));
        QCOMPARE(klingon.primaryLanguageCode(), QStringLiteral("tlh"));
        QCOMPARE(checkedCodes(klingonParts.selected->model()), QStringList { "tlh" });
        QVERIFY(!findCode(klingonParts.all->model(), "tlh").isValid());
        QCOMPARE(
            iconImage(findCode(klingonParts.selected->model(), "tlh").data(Qt::DecorationRole)),
            resourceImage(":/flags/placeholder.png"));
    }

    // Mouse and keyboard on both lists: the left one adds languages at the end
    // and drops them, the right one moves the primary mark.
    void choosingInTheDialog()
    {
        LanguagesSelectionDialog dialog(
            { { "sv", "Swedish" }, { "en", "English" }, { "fr", "French" } }, { "en", "English" });
        DialogParts parts(dialog);
        QVERIFY(parts.show(dialog));
        search(parts.search, "JAPAN");
        // The language and its one country variant, Japanese (Japan).
        QCOMPARE(sorted(column(parts.all->model(), Qt::UserRole)), (QStringList { "ja", "ja_JP" }));
        clickCheckBox(parts.all, "ja");
        QCOMPARE(dialog.selectedLanguageCodes(), (QStringList { "sv", "en", "fr", "ja" }));
        search(parts.search, "dutch");
        pressSpaceOn(parts.all, "nl");
        search(parts.search, "FrEnCh");
        clickCheckBox(parts.all, "fr");
        QCOMPARE(dialog.selectedLanguageCodes(), (QStringList { "sv", "en", "ja", "nl" }));

        // The left list shows the selection, whatever the filter; the right one
        // sorted by name, with the primary mark where it was.
        search(parts.search, "");
        QCOMPARE(sorted(checkedCodes(parts.all->model())),
                 (QStringList { "en", "ja", "nl", "sv" }));
        QCOMPARE(column(parts.selected->model(), Qt::UserRole),
                 (QStringList { "nl", "en", "ja", "sv" }));
        QCOMPARE(checkedCodes(parts.selected->model()), QStringList { "en" });

        // Unchecking the primary language drops it from the selection but leaves
        // it primary; checked again, it goes to the end.
        pressSpaceOn(parts.all, "en");
        QCOMPARE(dialog.selectedLanguageCodes(), (QStringList { "sv", "ja", "nl" }));
        QCOMPARE(column(parts.selected->model(), Qt::UserRole), (QStringList { "nl", "ja", "sv" }));
        QCOMPARE(dialog.primaryLanguageCode(), QStringLiteral("en"));
        clickCheckBox(parts.all, "en");
        QCOMPARE(dialog.selectedLanguageCodes(), (QStringList { "sv", "ja", "nl", "en" }));

        // Clicking the checked row on the right does not clear the primary language.
        for (const char *code : { "sv", "sv" }) {
            clickCheckBox(parts.selected, code);
            QCOMPARE(checkedCodes(parts.selected->model()), QStringList { code });
            QCOMPARE(dialog.primaryLanguageCode(), QString::fromLatin1(code));
        }
        pressSpaceOn(parts.selected, "ja");
        QCOMPARE(checkedCodes(parts.selected->model()), QStringList { "ja" });
        QCOMPARE(dialog.primaryLanguageCode(), QStringLiteral("ja"));
        QCOMPARE(dialog.selectedLanguageCodes(), (QStringList { "sv", "ja", "nl", "en" }));
    }

    void closingTheDialog_data()
    {
        QTest::addColumn<QString>("closeWith");
        QTest::addColumn<int>("result");
        QTest::newRow("ok button") << "ok" << int(QDialog::Accepted);
        QTest::newRow("cancel button") << "cancel" << int(QDialog::Rejected);
        QTest::newRow("escape key") << "escape" << int(QDialog::Rejected);
    }

    void closingTheDialog()
    {
        QFETCH(QString, closeWith);
        QFETCH(int, result);
        LanguagesSelectionDialog dialog({ { "de", "German" }, { "en", "English" } },
                                        { "en", "English" });
        DialogParts parts(dialog);
        QVERIFY(parts.complete());
        dialog.setModal(true);
        // Should a step fail, the dialog still closes and the test reports the failure.
        QTimer::singleShot(10000, &dialog, &QDialog::reject);
        QTimer::singleShot(0, &dialog, [&] {
            QTest::keyClicks(parts.search, "POLI");
            clickCheckBox(parts.all, "pl");
            clickCheckBox(parts.selected, "pl");
            if (closeWith == u"escape")
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                QTest::mouseClick(closeWith == u"ok" ? parts.ok : parts.cancel, Qt::LeftButton);
        });
        QCOMPARE(dialog.exec(), result);
        // The choice was made in either case; only an accepted dialog is read back by its caller.
        QCOMPARE(dialog.selectedLanguageCodes(), (QStringList { "de", "en", "pl" }));
        QCOMPARE(dialog.primaryLanguageCode(), QStringLiteral("pl"));
    }
};

QTEST_MAIN(TestLanguages)

#include "tst_languages.moc"
