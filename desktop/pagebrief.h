// Velmora: the sentence a reference page gives a class or member, as plain text.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QString>
#include <QStringView>

namespace tarn::desktop {

// Longest description a result shows; the desktop gives it a line or two.
inline constexpr int maxBriefLength = 200;

// The first sentence of what a page says about `anchor`: the first
// paragraph after the heading that carries it, past notes and "This is an
// overloaded function."; for no anchor, the paragraph under the page's
// title heading. An overload that says nothing more gives that line. Plain
// text, at most maxBriefLength characters; empty when the page has no such
// paragraph.
QString pageBrief(QStringView html, QStringView anchor);

// The page's <title>, without the module's " | Qt Core 6.4.2".
QString pageTitle(QStringView html);

} // namespace tarn::desktop
