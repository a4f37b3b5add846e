#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Lexora {

// What a user typed into a search field, read the ways it can be searched.
//
// The text is an FTS5 query first of all. Typed words often are not valid
// FTS5 (`VE.Bus`, `Wi-Fi`, `100%`), and words in scripts written without
// spaces (Chinese, Japanese, Thai …) are whole runs of text to the word index,
// so a word inside such a run is not found as a word. For those the query
// offers quoted forms of the text and the substrings to look for.
class TranslationSearchQuery
{
public:
    explicit TranslationSearchQuery(std::string_view text);

    // The text as typed, the first reading tried.
    const std::string &text() const { return m_text; }
    // The text with every term that is not FTS5 syntax of its own quoted
    // (operators, column filters, groups and phrases stay as typed).
    const std::string &quotedTerms() const { return m_quotedTerms; }
    // Every term quoted, a trailing `*` kept as a prefix: the words as typed.
    const std::string &quotedText() const { return m_quotedText; }

    // False when no reading can mean anything: an open phrase (an odd number
    // of double quotes) or no letter or digit at all.
    bool isMeaningful() const { return m_meaningful; }

    // Plain terms (no FTS5 syntax) of which some hold characters of scripts
    // written without spaces: those are substrings every result contains, the
    // others are words, as an FTS5 query (empty when there are none).
    bool searchesSubstrings() const { return !m_substrings.empty(); }
    const std::vector<std::string> &substrings() const { return m_substrings; }
    const std::string &wordQuery() const { return m_wordQuery; }

    // A single term that is not FTS5 syntax, such as `Wi-Fi` or `VE.Bus`, of
    // three characters or more (without a trailing `*`): also looked for as
    // a substring, since in text of an unspaced script it is no word of its
    // own ("Wi-Fiネットワーク"). Empty otherwise.
    const std::string &substringTerm() const { return m_substringTerm; }

    // The text looked for inside translation IDs: the typed text when it is a
    // single term (without a trailing `*`), else empty.
    const std::string &idPart() const { return m_idPart; }

    // Quotes `term` as an FTS5 string, a trailing `*` kept outside as a prefix.
    static std::string quoted(std::string_view term);

private:
    std::string m_text;
    std::string m_quotedTerms;
    std::string m_quotedText;
    std::vector<std::string> m_substrings;
    std::string m_wordQuery;
    std::string m_idPart;
    std::string m_substringTerm;
    bool m_meaningful = false;
};

} // namespace Lexora
