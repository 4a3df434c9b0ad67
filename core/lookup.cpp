// Velmora: names as developers type them, "QString::arg", matched to index entries.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "lookup.h"

namespace tarn {

namespace {

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// A class name as the index has them: letters, digits, "_" and "::".
bool isClassName(QStringView text)
{
    if (text.isEmpty() || !(text.front().isLetter() || text.front() == u'_'))
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u':') {
            if (i + 1 >= text.size() || text[i + 1] != u':')
                return false;
            ++i;
        } else if (!isNameChar(text[i])) {
            return false;
        }
    }
    return !text.endsWith(u':');
}

// A member name or its start: a name, "~Name", or "operator" and its symbols.
bool isMemberName(QStringView text)
{
    if (text.startsWith(u"operator"))
        return !text.contains(u' ') && !text.contains(u'(');
    if (text.startsWith(u'~'))
        text = text.mid(1);
    for (const QChar c : text) {
        if (!isNameChar(c))
            return false;
    }
    return true;
}

} // namespace

std::optional<QualifiedName> qualifiedName(QStringView text)
{
    text = text.trimmed();
    QStringView className;
    QStringView member;
    const qsizetype colons = text.lastIndexOf(u"::");
    if (colons > 0) {
        className = text.left(colons);
        member = text.mid(colons + 2);
    } else {
        const qsizetype blank = text.indexOf(u' ');
        if (blank <= 0)
            return std::nullopt;
        className = text.left(blank);
        member = text.mid(blank + 1).trimmed();
        if (member.isEmpty())
            return std::nullopt;
    }
    if (!isClassName(className) || !isMemberName(member))
        return std::nullopt;
    return QualifiedName{className.toString(), member.toString()};
}

bool isMemberEntryOf(QStringView entryName, const QualifiedName &name)
{
    // "bare (Class)"
    if (!entryName.endsWith(u')'))
        return false;
    const qsizetype open = entryName.lastIndexOf(u" (");
    if (open < 0)
        return false;
    const QStringView owner = entryName.mid(open + 2, entryName.size() - open - 3);
    const QStringView bare = entryName.left(open);
    return owner.compare(name.className, Qt::CaseInsensitive) == 0
        && bare.startsWith(name.member, Qt::CaseInsensitive);
}

Lookup lookUp(QStringView name, qsizetype entryCount,
              const std::function<LookupEntry(qsizetype)> &entryAt,
              const std::function<bool(const QString &page)> &pageExists,
              const std::function<bool(const QString &className)> &isClassName)
{
    name = name.trimmed();
    if (name.isEmpty())
        return {};

    // A page of the set, as the pages and lists name them.
    const qsizetype hash = name.indexOf(u'#');
    const QString page = (hash < 0 ? name : name.left(hash)).toString();
    if (page.endsWith(QLatin1String(".html")) && pageExists(page))
        return {Lookup::Page, name.toString()};

    // The first entry that passes the test, in the index's order.
    const auto first = [&](const std::function<bool(const LookupEntry &)> &test) -> QString {
        for (qsizetype i = 0; i < entryCount; ++i) {
            const LookupEntry entry = entryAt(i);
            if (test(entry))
                return entry.target.toString();
        }
        return QString();
    };
    for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        const QString exact =
            first([&](const LookupEntry &e) { return e.name.compare(name, cs) == 0; });
        if (!exact.isEmpty())
            return {Lookup::Entry, exact};
    }

    if (const std::optional<QualifiedName> qualified = qualifiedName(name);
        qualified && !qualified->member.isEmpty() && isClassName(qualified->className)) {
        for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
            const QString member = first([&](const LookupEntry &e) {
                const qsizetype open = e.name.lastIndexOf(u" (");
                return isMemberEntryOf(e.name, *qualified)
                    && e.name.left(open).compare(qualified->member, cs) == 0;
            });
            if (!member.isEmpty())
                return {Lookup::Entry, member};
        }
        const QString started =
            first([&](const LookupEntry &e) { return isMemberEntryOf(e.name, *qualified); });
        if (!started.isEmpty())
            return {Lookup::FirstMatch, started};
    }

    const QString held =
        first([&](const LookupEntry &e) { return e.name.contains(name, Qt::CaseInsensitive); });
    if (!held.isEmpty())
        return {Lookup::FirstMatch, held};
    return {Lookup::NoMatch, QString()};
}

} // namespace tarn
