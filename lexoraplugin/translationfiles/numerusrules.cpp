#include "numerusrules.h"

#include "catalogmessage.h"

#include <array>

namespace Lexora {

namespace {

// Rule code of the Qt translator (see QTranslator's numerus handling).
enum : uchar {
    Equal = 0x01,
    LessThan = 0x02,
    LessThanOrEqual = 0x03,
    Between = 0x04,
    Not = 0x08,
    Mod10 = 0x10,
    Mod100 = 0x20,
    And = 0xFD,
    Or = 0xFE,
    NewRule = 0xFF,
};

using L = QLocale;

// clang-format off
constexpr std::array<uchar, 0> noRules{};
constexpr std::array<uchar, 2> oneRules{Equal, 1};
constexpr std::array<uchar, 2> zeroOneRules{LessThanOrEqual, 1};
constexpr std::array<uchar, 8> latvianRules{
    Mod10 | Equal, 1, And, Mod100 | Not | Equal, 11,
    NewRule, Not | Equal, 0};
constexpr std::array<uchar, 5> icelandicRules{
    Mod10 | Equal, 1, And, Mod100 | Not | Equal, 11};
constexpr std::array<uchar, 5> oneTwoRules{
    Equal, 1,
    NewRule, Equal, 2};
constexpr std::array<uchar, 15> gaelicRules{
    Equal, 1, Or, Equal, 11,
    NewRule, Equal, 2, Or, Equal, 12,
    NewRule, Between, 3, 19};
constexpr std::array<uchar, 6> slovakRules{
    Equal, 1,
    NewRule, Between, 2, 4};
constexpr std::array<uchar, 5> macedonianRules{
    Mod10 | Equal, 1,
    NewRule, Mod10 | Equal, 2};
constexpr std::array<uchar, 12> lithuanianRules{
    Mod10 | Equal, 1, And, Mod100 | Not | Equal, 11,
    NewRule, Mod10 | Not | Equal, 0, And, Mod100 | Not | Between, 10, 19};
constexpr std::array<uchar, 13> russianStyleRules{
    Mod10 | Equal, 1, And, Mod100 | Not | Equal, 11,
    NewRule, Mod10 | Between, 2, 4, And, Mod100 | Not | Between, 10, 19};
constexpr std::array<uchar, 10> polishRules{
    Equal, 1,
    NewRule, Mod10 | Between, 2, 4, And, Mod100 | Not | Between, 10, 19};
constexpr std::array<uchar, 9> romanianRules{
    Equal, 1,
    NewRule, Equal, 0, Or, Mod100 | Between, 1, 19};
constexpr std::array<uchar, 9> slovenianRules{
    Mod100 | Equal, 1,
    NewRule, Mod100 | Equal, 2,
    NewRule, Mod100 | Between, 3, 4};
constexpr std::array<uchar, 13> malteseRules{
    Equal, 1,
    NewRule, Equal, 0, Or, Mod100 | Between, 1, 10,
    NewRule, Mod100 | Between, 11, 19};
constexpr std::array<uchar, 12> welshRules{
    Equal, 0,
    NewRule, Equal, 1,
    NewRule, Between, 2, 5,
    NewRule, Equal, 6};
constexpr std::array<uchar, 15> arabicRules{
    Equal, 0,
    NewRule, Equal, 1,
    NewRule, Equal, 2,
    NewRule, Mod100 | Between, 3, 10,
    NewRule, Mod100 | Not | LessThan, 11};
constexpr std::array<uchar, 11> tagalogRules{
    LessThanOrEqual, 1,
    NewRule, Mod10 | Equal, 4, Or, Mod10 | Equal, 6, Or, Mod10 | Equal, 9};
// clang-format on

constexpr std::array<const char *, 1> universalForm { "Universal Form" };
constexpr std::array<const char *, 2> singularPlural { "Singular", "Plural" };
constexpr std::array<const char *, 3> singularPluralNullar { "Singular", "Plural", "Nullar" };
constexpr std::array<const char *, 3> singularDualPlural { "Singular", "Dual", "Plural" };
constexpr std::array<const char *, 4> gaelicForms { "1/11", "2/12", "Few", "Many" };
constexpr std::array<const char *, 3> singularPaucalPlural { "Singular", "Paucal", "Plural" };
constexpr std::array<const char *, 4> singularDualTrialPlural {
    "Singular", "Dual", "Trial", "Plural"
};
constexpr std::array<const char *, 4> malteseForms {
    "Singular", "Paucal", "Greater Paucal", "Plural"
};
constexpr std::array<const char *, 5> welshForms {
    "Nullar", "Singular", "Dual", "Sexal", "Plural"
};
constexpr std::array<const char *, 6> arabicForms { "Nullar", "Singular",
                                                    "Dual",   "Minority Plural",
                                                    "Plural", "Plural (100-102, ...)" };
constexpr std::array<const char *, 3> tagalogForms { "Singular",
                                                     "Plural (consonant-ended)",
                                                     "Plural (vowel-ended)" };

constexpr std::array universalLanguages {
    L::Bislama,       L::Burmese,    L::Chinese,    L::Dzongkha,  L::Fijian, L::Guarani,
    L::Hungarian,     L::Indonesian, L::Japanese,   L::Javanese,  L::Korean, L::Malay,
    L::NauruLanguage, L::Oromo,      L::Persian,    L::Sundanese, L::Tatar,  L::Thai,
    L::Tibetan,       L::Turkish,    L::Vietnamese, L::Yoruba,    L::Zhuang,
};

constexpr std::array singularPluralLanguages {
    L::Abkhazian,
    L::Afar,
    L::Afrikaans,
    L::Albanian,
    L::Amharic,
    L::Assamese,
    L::Aymara,
    L::Azerbaijani,
    L::Bashkir,
    L::Basque,
    L::Bangla,
    L::Bulgarian,
    L::Catalan,
    L::Cornish,
    L::Corsican,
    L::Danish,
    L::Dutch,
    L::English,
    L::Esperanto,
    L::Estonian,
    L::Faroese,
    L::Finnish,
    L::Friulian,
    L::WesternFrisian,
    L::Galician,
    L::Georgian,
    L::German,
    L::Greek,
    L::Kalaallisut,
    L::Gujarati,
    L::Hausa,
    L::Hebrew,
    L::Hindi,
    L::Interlingua,
    L::Interlingue,
    L::Italian,
    L::Kannada,
    L::Kashmiri,
    L::Kazakh,
    L::Khmer,
    L::Kinyarwanda,
    L::Kyrgyz,
    L::Kurdish,
    L::Lao,
    L::Latin,
    L::Lingala,
    L::Luxembourgish,
    L::Malagasy,
    L::Malayalam,
    L::Marathi,
    L::Mongolian,
    L::Nepali,
    L::NorthernSotho,
    L::NorwegianBokmal,
    L::NorwegianNynorsk,
    L::Occitan,
    L::Odia,
    L::Pashto,
    L::Portuguese,
    L::Punjabi,
    L::Quechua,
    L::Romansh,
    L::Rundi,
    L::Shona,
    L::Sindhi,
    L::Sinhala,
    L::Somali,
    L::SouthernSotho,
    L::Spanish,
    L::Swahili,
    L::Swati,
    L::Swedish,
    L::Tajik,
    L::Tamil,
    L::Telugu,
    L::Tongan,
    L::Tsonga,
    L::Tswana,
    L::Turkmen,
    L::Uyghur,
    L::Urdu,
    L::Uzbek,
    L::Volapuk,
    L::Wolof,
    L::Xhosa,
    L::Yiddish,
    L::Zulu,
};

constexpr std::array frenchStyleLanguages { L::Armenian, L::Breton,   L::French, L::Portuguese,
                                            L::Filipino, L::Tigrinya, L::Walloon };
constexpr std::array frenchStyleTerritories { L::AnyTerritory, L::AnyTerritory, L::AnyTerritory,
                                              L::Brazil,       L::AnyTerritory, L::AnyTerritory,
                                              L::AnyTerritory };

constexpr std::array latvianLanguages { L::Latvian };
constexpr std::array icelandicLanguages { L::Icelandic };
constexpr std::array oneTwoLanguages { L::Divehi, L::Inuktitut,    L::Inupiaq, L::Irish,   L::Manx,
                                       L::Maori,  L::NorthernSami, L::Samoan,  L::Sanskrit };
constexpr std::array gaelicLanguages { L::Gaelic };
constexpr std::array slovakLanguages { L::Slovak, L::Czech };
constexpr std::array macedonianLanguages { L::Macedonian };
constexpr std::array lithuanianLanguages { L::Lithuanian };
constexpr std::array russianStyleLanguages { L::Bosnian, L::Belarusian, L::Croatian,
                                             L::Russian, L::Serbian,    L::Ukrainian };
constexpr std::array polishLanguages { L::Polish };
constexpr std::array romanianLanguages { L::Romanian };
constexpr std::array slovenianLanguages { L::Slovenian };
constexpr std::array malteseLanguages { L::Maltese };
constexpr std::array welshLanguages { L::Welsh };
constexpr std::array arabicLanguages { L::Arabic };
constexpr std::array tagalogLanguages { L::Filipino };

constexpr std::span<const QLocale::Territory> anyTerritory {};

const NumerusTableEntry table[] = {
    { noRules, universalForm, universalLanguages, anyTerritory, "nplurals=1; plural=0;" },
    { oneRules,
      singularPlural,
      singularPluralLanguages,
      anyTerritory,
      "nplurals=2; plural=(n != 1);" },
    { zeroOneRules,
      singularPlural,
      frenchStyleLanguages,
      frenchStyleTerritories,
      "nplurals=2; plural=(n > 1);" },
    { latvianRules,
      singularPluralNullar,
      latvianLanguages,
      anyTerritory,
      "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n != 0 ? 1 : 2);" },
    { icelandicRules,
      singularPlural,
      icelandicLanguages,
      anyTerritory,
      "nplurals=2; plural=(n%10==1 && n%100!=11 ? 0 : 1);" },
    { oneTwoRules,
      singularDualPlural,
      oneTwoLanguages,
      anyTerritory,
      "nplurals=3; plural=(n==1 ? 0 : n==2 ? 1 : 2);" },
    { gaelicRules,
      gaelicForms,
      gaelicLanguages,
      anyTerritory,
      "nplurals=4; plural=(n==1 || n==11) ? 0 : (n==2 || n==12) ? 1 : (n > 2 && n < 20) ? 2 : 3;" },
    { slovakRules,
      singularPaucalPlural,
      slovakLanguages,
      anyTerritory,
      "nplurals=3; plural=((n==1) ? 0 : (n>=2 && n<=4) ? 1 : 2);" },
    { macedonianRules,
      singularDualPlural,
      macedonianLanguages,
      anyTerritory,
      "nplurals=3; plural=(n%100==1 ? 0 : n%100==2 ? 1 : 2);" },
    { lithuanianRules,
      singularPaucalPlural,
      lithuanianLanguages,
      anyTerritory,
      "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && (n%100<10 || n%100>=20) ? 1 : "
      "2);" },
    { russianStyleRules,
      singularDualPlural,
      russianStyleLanguages,
      anyTerritory,
      "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || "
      "n%100>=20) ? 1 : 2);" },
    { polishRules,
      singularPaucalPlural,
      polishLanguages,
      anyTerritory,
      "nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);" },
    { romanianRules,
      singularPaucalPlural,
      romanianLanguages,
      anyTerritory,
      "nplurals=3; plural=(n==1 ? 0 : (n==0 || (n%100 > 0 && n%100 < 20)) ? 1 : 2);" },
    { slovenianRules,
      singularDualTrialPlural,
      slovenianLanguages,
      anyTerritory,
      "nplurals=4; plural=(n%100==1 ? 0 : n%100==2 ? 1 : n%100==3 || n%100==4 ? 2 : 3);" },
    { malteseRules,
      malteseForms,
      malteseLanguages,
      anyTerritory,
      "nplurals=4; plural=(n==1 ? 0 : (n==0 || (n%100>=1 && n%100<=10)) ? 1 : (n%100>=11 && "
      "n%100<=19) ? 2 : 3);" },
    { welshRules,
      welshForms,
      welshLanguages,
      anyTerritory,
      "nplurals=5; plural=(n==0 ? 0 : n==1 ? 1 : (n>=2 && n<=5) ? 2 : n==6 ? 3 : 4);" },
    { arabicRules,
      arabicForms,
      arabicLanguages,
      anyTerritory,
      "nplurals=6; plural=(n==0 ? 0 : n==1 ? 1 : n==2 ? 2 : (n%100>=3 && n%100<=10) ? 3 : "
      "n%100>=11 ? 4 : 5);" },
    { tagalogRules,
      tagalogForms,
      tagalogLanguages,
      anyTerritory,
      "nplurals=3; plural=(n==1 ? 0 : (n%10==4 || n%10==6 || n%10== 9) ? 1 : 2);" },
};

const NumerusTableEntry *findInPass(QLocale::Language language, QLocale::Territory territory)
{
    for (const NumerusTableEntry &entry : table) {
        for (std::size_t i = 0; i < entry.languages.size(); ++i) {
            if (entry.languages[i] != language)
                continue;
            if (entry.territories.empty() ? territory == QLocale::AnyTerritory
                                          : entry.territories[i] == territory)
                return &entry;
        }
    }
    return nullptr;
}

} // namespace

std::span<const NumerusTableEntry> numerusTable()
{
    return table;
}

const NumerusTableEntry *findNumerusRules(QLocale::Language language, QLocale::Territory territory)
{
    if (const NumerusTableEntry *entry = findInPass(language, territory))
        return entry;
    if (territory != QLocale::AnyTerritory)
        return findInPass(language, QLocale::AnyTerritory);
    return nullptr;
}

int numerusFormCount(const QString &languageCode)
{
    const QLocale locale(languageCode);
    const NumerusTableEntry *rules = findNumerusRules(locale.language(), locale.territory());
    return rules ? int(rules->forms.size()) : 1;
}

QStringList numerusTranslations(const CatalogMessage &message, int count)
{
    QStringList forms;
    forms.reserve(count);
    forms.append(message.translation);
    for (int form = 1; form < count; ++form) {
        const QString &given
            = form - 1 < message.pluralForms.size() ? message.pluralForms.at(form - 1) : QString();
        forms.append(given.isEmpty() ? forms.constLast() : given);
    }
    return forms;
}

} // namespace Lexora
