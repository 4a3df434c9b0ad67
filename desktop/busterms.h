// Velmora: what the desktop's search sends on the bus, checked before it is looked up.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// Anyone on the session bus may call the search provider, with terms of any
// size and number. What is read is capped first; beyond the caps the answer
// is empty, never a partial look-up. Qt Core only, so the fuzz target builds
// it as it stands.
namespace tarn::desktop {

// Terms a query may have, and characters a term may have: far more than a
// name or a phrase typed into a search box needs.
inline constexpr int maxTerms = 64;
inline constexpr int maxTermLength = 256;
// A whole query as KRunner sends it: maxTerms terms of maxTermLength, a blank
// between each two.
inline constexpr int maxQueryLength = maxTerms * (maxTermLength + 1) - 1;

// The terms as one text to look up or search for, "QString arg": the terms
// joined by a blank, white space run together. Nothing (nullopt) for no
// terms or only blank ones, more than maxTerms terms, a term longer than
// maxTermLength, a control character other than white space, or a term that is a link ("file:/…",
// "https://…"): only names of the documentation are looked up.
std::optional<QString> lookupText(const QStringList &terms);

// KRunner's query split into terms at white space; nullopt for a query
// longer than maxQueryLength, which is not split at all.
std::optional<QStringList> queryTerms(QStringView query);

// A result id as the provider issues them: the entry's place in the index,
// in decimal digits, at most nine, without leading zeros. Whether it was
// ever issued is the provider's to check.
std::optional<int> parseResultId(QStringView id);
QString formatResultId(int row);

} // namespace tarn::desktop
