// Velmora: the anchors of the reference pages, and the repair of link targets that miss them.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "anchors.h"

#include "classlists.h"
#include "htmltags.h"

#include <algorithm>

namespace tarn::import {

namespace {

const QByteArray detailsAnchor = QByteArrayLiteral("details");

bool isHeading(const HtmlTag &tag)
{
    return tag.name.size() == 2 && (tag.name[0] == 'h' || tag.name[0] == 'H') && tag.name[1] >= '1'
        && tag.name[1] <= '6';
}

bool hasClass(QByteArrayView classes, QByteArrayView wanted)
{
    for (const QByteArray &word : classes.toByteArray().simplified().split(' ')) {
        if (word == wanted)
            return true;
    }
    return false;
}

// One holder of an anchor: which value, and how many holders of that value
// of the same kind (id or <a name>) came before it.
struct Holder
{
    QByteArray value;
    int occurrence = 0;
};

// A heading while it is read: its anchor, and where each name shown in it
// and the text after the name begin and end.
struct OpenHeading
{
    QByteArrayView tagName;
    Holder anchor;
    bool anchored = false;
    qsizetype nameBegin = -1; // inside a <span class="name">
    QString name;
    qsizetype tailBegin = -1;               // after a name, up to the next name or the end
    QVector<QPair<QString, QString>> names; // name, text after it
};

QByteArray renamedHolder(const QHash<QByteArray, QVector<QByteArray>> &duplicates,
                         const Holder &holder)
{
    if (holder.occurrence == 0)
        return holder.value;
    const QVector<QByteArray> names = duplicates.value(holder.value);
    return holder.occurrence - 1 < names.size() ? names.at(holder.occurrence - 1) : holder.value;
}

Signature headingSignature(const QString &name, const QString &after)
{
    Signature s;
    s.name = name.trimmed();
    const QString rest = after.trimmed();
    if (rest.startsWith(QLatin1Char('('))) {
        QString tail;
        s.function = parseParameterList(rest, &s.parameters, &tail);
        if (s.function)
            s.qualifiers = normalisedQualifiers(tail);
        else
            s.parameters.clear();
    }
    return s;
}

// Parameter lists written "()" and lists of macro parameters that have
// names but no types compare equal.
QStringList normalisedParameters(const QStringList &types)
{
    QStringList out;
    bool anyType = false;
    for (const QString &type : types) {
        out.append(normalisedType(type));
        anyType = anyType || !out.last().isEmpty();
    }
    return anyType ? out : QStringList();
}

// False when the anchor is on headings and none of them shows the name:
// an overload number that the page gave to another member.
bool headingFits(const PageAnchors &page, const QByteArray &anchor, const QString &name)
{
    bool onHeading = false;
    const QString wanted = normalisedType(name);
    for (const MemberHeading &h : page.headings) {
        if (h.anchor != anchor)
            continue;
        if (h.key == wanted)
            return true;
        onHeading = true;
    }
    return !onHeading;
}

QByteArray companionPage(const QByteArray &page)
{
    if (!page.endsWith(".html") || page.endsWith("-obsolete.html"))
        return QByteArray();
    return page.chopped(5) + "-obsolete.html";
}

QByteArray joinTarget(const QByteArray &page, const QByteArray &anchor)
{
    return page + '#' + anchor;
}

QString describe(const Signature &s)
{
    if (!s.function)
        return s.name;
    return s.name + QLatin1Char('(') + s.parameters.join(QLatin1String(", ")) + QLatin1Char(')');
}

} // namespace

bool Signature::sameOverload(const Signature &other) const
{
    return normalisedType(name) == normalisedType(other.name) && function == other.function
        && parameters == other.parameters && qualifiers == other.qualifiers;
}

QString normalisedType(QStringView type)
{
    QString out;
    out.reserve(type.size());
    for (const QChar c : type) {
        if (!c.isSpace())
            out += c;
    }
    return out;
}

QString normalisedQualifiers(QStringView tail)
{
    QString out;
    qsizetype i = 0;
    while (i < tail.size()) {
        const QChar c = tail.at(i);
        if (c.isLetter() || c == u'_') {
            qsizetype end = i;
            while (end < tail.size() && (tail.at(end).isLetterOrNumber() || tail.at(end) == u'_'))
                ++end;
            const QStringView word = tail.mid(i, end - i);
            if (word == u"const" || word == u"volatile")
                out += word;
            i = end;
        } else if (c == u'&') {
            out += c;
            ++i;
        } else if (c == u'=' || c == u':') {
            break; // "= delete", a property's ": type"
        } else {
            ++i;
        }
    }
    return out;
}

bool parseParameterList(QStringView text, QStringList *types, QString *tail)
{
    types->clear();
    if (!text.startsWith(u'('))
        return false;
    int depth = 0;
    qsizetype pieceBegin = 1;
    qsizetype defaultBegin = -1;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'(' || c == u'<' || c == u'[') {
            ++depth;
        } else if ((c == u')' || c == u'>' || c == u']') && depth > 0) {
            --depth;
        } else if (depth == 0 && c == u'=' && defaultBegin < 0) {
            defaultBegin = i;
        } else if (depth == 0 && (c == u',' || c == u')')) {
            const qsizetype end = defaultBegin < 0 ? i : defaultBegin;
            types->append(normalisedType(text.mid(pieceBegin, end - pieceBegin)));
            pieceBegin = i + 1;
            defaultBegin = -1;
            if (c == u')') {
                *types = normalisedParameters(*types);
                *tail = text.mid(i + 1).toString();
                return true;
            }
        }
    }
    types->clear();
    return false;
}

PageAnchors scanAnchors(const QByteArray &html, bool renameDuplicates)
{
    PageAnchors page;
    QVector<Holder> holders; // in document order
    QHash<QByteArray, int> idCount;
    QHash<QByteArray, int> nameCount;
    QVector<QPair<Holder, QVector<QPair<QString, QString>>>> headings;
    OpenHeading open;
    bool inHeading = false;

    auto finishName = [&](qsizetype end) {
        if (open.tailBegin >= 0) {
            const QByteArrayView after(html.constData() + open.tailBegin, end - open.tailBegin);
            open.names.append({open.name, htmlText(after, true)});
            open.tailBegin = -1;
        }
    };

    HtmlTagReader reader(html);
    HtmlTag tag;
    while (reader.next(&tag)) {
        if (tag.closing) {
            if (!inHeading)
                continue;
            if (open.nameBegin >= 0 && tag.is("span")) {
                open.name = htmlText(
                    QByteArrayView(html.constData() + open.nameBegin, tag.begin - open.nameBegin));
                open.nameBegin = -1;
                open.tailBegin = tag.skipTo;
            } else if (tag.is(open.tagName)) {
                finishName(tag.begin);
                if (open.anchored && !open.names.isEmpty())
                    headings.append({open.anchor, open.names});
                inHeading = false;
            }
            continue;
        }
        const QByteArrayView id = tag.value(html, "id");
        const QByteArrayView name = tag.is("a") ? tag.value(html, "name") : QByteArrayView();
        Holder holder;
        bool holds = false;
        if (!id.isEmpty()) {
            holder = Holder{id.toByteArray(), idCount[id.toByteArray()]++};
            holders.append(holder);
            holds = true;
        }
        if (!name.isEmpty()) {
            const Holder named{name.toByteArray(), nameCount[name.toByteArray()]++};
            holders.append(named);
            if (!holds)
                holder = named;
            holds = true;
        }
        if (isHeading(tag)) {
            if (inHeading) {
                finishName(tag.begin);
                if (open.anchored && !open.names.isEmpty())
                    headings.append({open.anchor, open.names});
            }
            open = OpenHeading();
            open.tagName = tag.name;
            inHeading = true;
            if (holds) {
                open.anchor = holder;
                open.anchored = true;
            }
            continue;
        }
        if (!inHeading)
            continue;
        if (holds && !open.anchored) {
            open.anchor = holder;
            open.anchored = true;
        }
        if (tag.is("br")) {
            finishName(tag.begin);
        } else if (tag.is("span") && hasClass(tag.value(html, "class"), "name")) {
            finishName(tag.begin);
            open.nameBegin = tag.skipTo;
        }
    }

    QSet<QByteArray> taken;
    for (const Holder &h : std::as_const(holders))
        taken.insert(h.value);
    if (renameDuplicates) {
        for (const Holder &h : std::as_const(holders)) {
            if (h.occurrence == 0)
                continue;
            QVector<QByteArray> &names = page.duplicates[h.value];
            if (names.size() >= h.occurrence)
                continue; // its twin of the other kind already has a name
            int n = h.occurrence + 1;
            QByteArray fresh;
            do {
                fresh = h.value + '-' + QByteArray::number(n++);
            } while (taken.contains(fresh));
            taken.insert(fresh);
            names.append(fresh);
        }
    }
    for (const Holder &h : std::as_const(holders)) {
        const QByteArray anchor = renamedHolder(page.duplicates, h);
        page.anchors.insert(anchor);
        if (page.landing.isEmpty())
            page.landing = anchor;
    }
    if (page.anchors.contains(detailsAnchor))
        page.landing = detailsAnchor;
    for (const auto &[holder, names] : std::as_const(headings)) {
        for (const auto &[shown, after] : names) {
            MemberHeading heading;
            heading.anchor = renamedHolder(page.duplicates, holder);
            heading.original = holder.value;
            heading.signature = headingSignature(shown, after);
            heading.key = normalisedType(heading.signature.name);
            if (!heading.signature.name.isEmpty())
                page.headings.append(heading);
        }
    }
    return page;
}

QString LinkContext::memberName() const
{
    QString name = text.trimmed();
    if (name.endsWith(QLatin1String("()")) && name != QLatin1String("operator()"))
        name.chop(2);
    const qsizetype scope = name.lastIndexOf(QLatin1String("::"));
    if (scope >= 0)
        name = name.mid(scope + 2);
    return name.trimmed();
}

LinkContext linkContextAt(const QByteArray &html, qsizetype afterTag)
{
    LinkContext context;
    // The words of a link and a parameter list after it are short: look no further.
    const QByteArray window = html.mid(afterTag, 4000);
    const qsizetype close = indexOfIgnoreCase(window, "</a", 0);
    if (close < 0)
        return context;
    context.text = htmlText(QByteArrayView(window.constData(), close)).trimmed();

    // Past the link's end and the closing tags around it (</b></span>).
    qsizetype i = window.indexOf('>', close);
    if (i < 0)
        return context;
    ++i;
    while (i + 1 < window.size() && window[i] == '<' && window[i + 1] == '/') {
        const qsizetype end = window.indexOf('>', i);
        if (end < 0)
            return context;
        i = end + 1;
    }
    if (i >= window.size() || window[i] != '(')
        return context;
    qsizetype end = window.size();
    for (const char *stop : {"</td", "</li", "</p", "</h", "<br", "</div", "</dd"}) {
        const qsizetype at = indexOfIgnoreCase(window, stop, i);
        if (at >= 0 && at < end)
            end = at;
    }
    const QString list = htmlText(QByteArrayView(window.constData() + i, end - i), true);
    QString tail;
    if (parseParameterList(list, &context.parameters, &tail))
        context.hasParameters = !context.parameters.isEmpty();
    else
        context.parameters.clear();
    return context;
}

void AnchorRepair::addPage(const QByteArray &name, PageAnchors anchors)
{
    m_pages.insert(name, std::move(anchors));
}

bool AnchorRepair::isSound(const QByteArray &pageName, const QByteArray &anchor) const
{
    const PageAnchors *page = this->page(pageName);
    return !page || anchor.isEmpty() || (page->has(anchor) && !page->duplicates.contains(anchor));
}

const PageAnchors *AnchorRepair::page(const QByteArray &name) const
{
    const auto it = m_pages.constFind(name);
    return it == m_pages.cend() ? nullptr : &it.value();
}

const MemberHeading *AnchorRepair::findHeading(const PageAnchors &page, const Signature &wanted,
                                               bool matchParameters) const
{
    const QString name = normalisedType(wanted.name);
    const MemberHeading *found = nullptr;
    for (const MemberHeading &h : page.headings) {
        if (h.key != name)
            continue;
        if (matchParameters ? !h.signature.sameOverload(wanted)
                            : (wanted.function && h.signature.parameters != wanted.parameters))
            continue;
        if (found && found->anchor != h.anchor)
            return nullptr; // two different headings fit: no choosing
        found = &h;
    }
    return found;
}

TargetRepair AnchorRepair::relocate(const MemberEntry &member, const Signature &wanted,
                                    const QByteArray &pageName, const QByteArray &anchor,
                                    const MemberHeading *exact) const
{
    const QByteArray original = joinTarget(pageName, anchor);
    const PageAnchors &page = *this->page(pageName);
    if (exact) {
        return TargetRepair{joinTarget(pageName, exact->anchor),
                            exact->anchor == anchor ? AnchorFate::Present : AnchorFate::Repaired,
                            QString()};
    }
    // Obsolete members have a page of their own beside the class's.
    const QByteArray companionName = companionPage(pageName);
    if (const PageAnchors *companion = this->page(companionName)) {
        if (companion->has(anchor) && !companion->duplicates.contains(anchor))
            return TargetRepair{joinTarget(companionName, anchor), AnchorFate::Repaired, QString()};
        if (const MemberHeading *h = findHeading(*companion, wanted, true))
            return TargetRepair{joinTarget(companionName, h->anchor), AnchorFate::Repaired, {}};
    }
    if (page.has(anchor))
        return TargetRepair{original, AnchorFate::Present, QString()}; // nothing better
    // A notifier or accessor is documented with its property; of several,
    // the one it is named after ("geometryChanged") first.
    QStringList properties = member.properties;
    std::stable_partition(properties.begin(), properties.end(),
                          [&member](const QString &p) { return member.bareName.startsWith(p); });
    for (const QString &property : std::as_const(properties)) {
        Signature p;
        p.name = property;
        if (const MemberHeading *h = findHeading(page, p, true))
            return TargetRepair{joinTarget(pageName, h->anchor), AnchorFate::Repaired, QString()};
    }
    const QString why = QStringLiteral("no heading for %1").arg(member.name);
    if (page.landing.isEmpty())
        return TargetRepair{original, AnchorFate::Missing, why};
    return TargetRepair{joinTarget(pageName, page.landing), AnchorFate::PointedAtPage, why};
}

TargetRepair AnchorRepair::repairMember(const MemberEntry &member)
{
    const QByteArray original = member.target.toUtf8();
    const qsizetype hash = original.indexOf('#');
    if (hash < 0)
        return TargetRepair{original, AnchorFate::Present, QString()};
    const QByteArray pageName = original.left(hash);
    const QByteArray anchor = original.mid(hash + 1);
    const PageAnchors *page = this->page(pageName);
    if (!page)
        return TargetRepair{original, AnchorFate::Present, QString()};

    Signature wanted;
    wanted.name = member.bareName;
    wanted.function = member.name.contains(QLatin1Char('('));
    if (wanted.function) {
        wanted.parameters = normalisedParameters(member.parameterTypes);
        wanted.qualifiers =
            normalisedQualifiers(QStringView(member.name).mid(member.name.lastIndexOf(u')') + 1));
    }

    // The anchor stands when the page carries it once and it is the
    // member's own heading (or no heading at all, as for a section).
    const MemberHeading *exact = findHeading(*page, wanted, true);
    const bool sound = page->has(anchor) && !page->duplicates.contains(anchor)
        && (exact ? exact->anchor == anchor : headingFits(*page, anchor, wanted.name));
    const TargetRepair repair = sound ? TargetRepair{original, AnchorFate::Present, QString()}
                                      : relocate(member, wanted, pageName, anchor, exact);

    if (m_ambiguousTargets.contains(original))
        return repair;
    const auto earlier = m_memberTargets.constFind(original);
    if (earlier == m_memberTargets.cend()) {
        m_memberTargets.insert(original, repair);
    } else if (earlier->target != repair.target) {
        m_memberTargets.remove(original);
        m_ambiguousTargets.insert(original);
    }
    return repair;
}

TargetRepair AnchorRepair::repairLink(const QByteArray &pageName, const QByteArray &anchor,
                                      const LinkContext &context) const
{
    const QByteArray original = joinTarget(pageName, anchor);
    const TargetRepair kept{original, AnchorFate::Present, QString()};
    const PageAnchors *page = this->page(pageName);
    if (!page || anchor.isEmpty())
        return kept;
    const QString name = context.memberName();
    Signature wanted;
    wanted.name = name;
    wanted.function = context.hasParameters;
    wanted.parameters = context.parameters;

    const auto duplicate = page->duplicates.constFind(anchor);
    if (page->has(anchor) && duplicate == page->duplicates.cend())
        return kept;
    if (duplicate != page->duplicates.cend()) {
        // Several headings carry the anchor: the parameter list after the
        // link tells which, else the first keeps it as before.
        if (!context.hasParameters)
            return kept;
        PageAnchors holders;
        for (const MemberHeading &h : page->headings) {
            if (h.original == anchor)
                holders.headings.append(h);
        }
        const MemberHeading *h = findHeading(holders, wanted, false);
        if (!h || h->anchor == anchor)
            return kept;
        return TargetRepair{joinTarget(pageName, h->anchor), AnchorFate::Repaired, QString()};
    }

    const auto member = m_memberTargets.constFind(original);
    if (member != m_memberTargets.cend())
        return member.value();

    QString why;
    if (name.isEmpty()) {
        why = QStringLiteral("the link's text names no member");
    } else {
        int named = 0;
        for (const QByteArray &candidate : {pageName, companionPage(pageName)}) {
            const PageAnchors *where = this->page(candidate);
            if (!where)
                continue;
            if (const MemberHeading *h = findHeading(*where, wanted, false))
                return TargetRepair{joinTarget(candidate, h->anchor), AnchorFate::Repaired, {}};
            for (const MemberHeading &h : where->headings)
                named += h.key == normalisedType(name) ? 1 : 0;
        }
        if (named == 0)
            why = QStringLiteral("no heading for %1").arg(name);
        else if (context.hasParameters)
            why = QStringLiteral("no heading for %1 among %2 of that name")
                      .arg(describe(wanted))
                      .arg(named);
        else
            why = QStringLiteral("%1 headings for %2, and the link does not say which")
                      .arg(named)
                      .arg(name);
    }
    if (page->landing.isEmpty())
        return TargetRepair{original, AnchorFate::Missing, why};
    return TargetRepair{joinTarget(pageName, page->landing), AnchorFate::PointedAtPage, why};
}

} // namespace tarn::import
