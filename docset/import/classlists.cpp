// Velmora: the class and member lists generated from the reference's .index files.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "classlists.h"

#include "listformat.h"

#include <QIODevice>
#include <QXmlStreamReader>

#include <algorithm>

namespace tarn::import {

namespace {

QString bareTarget(QStringView href)
{
    const qsizetype hash = href.indexOf(QLatin1Char('#'));
    const QStringView path = hash < 0 ? href : href.left(hash);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? href.toString() : href.mid(slash + 1).toString();
}

bool isMemberElement(QStringView tag)
{
    return tag == u"function" || tag == u"variable" || tag == u"property" || tag == u"enum"
        || tag == u"typedef" || tag == u"alias";
}

bool isClassElement(QStringView tag)
{
    return tag == u"class" || tag == u"struct";
}

QString memberKind(QStringView tag, const QXmlStreamAttributes &a)
{
    const QStringView access = a.value(QLatin1String("access"));
    if (tag == u"variable")
        return access == u"public" ? QStringLiteral("+v") : QString();
    if (tag != u"function")
        return QString(); // properties, enums, typedefs
    const QStringView meta = a.value(QLatin1String("meta"));
    if (meta.startsWith(u"macro"))
        return QString();
    if (a.value(QLatin1String("related")) == u"true")
        return QStringLiteral("+R");
    if (meta == u"signal")
        return QStringLiteral("+s");
    const bool isProtected = access == u"protected";
    if (meta == u"slot")
        return isProtected ? QStringLiteral("-S") : QStringLiteral("+S");
    if (isProtected)
        return QStringLiteral("-f");
    if (a.value(QLatin1String("static")) == u"true")
        return QStringLiteral("+F");
    return QStringLiteral("+f");
}

// One open element while reading: the class it belongs to, if any.
struct Scope
{
    QString className; // qualified name for class/struct/namespace scopes
    int listed = -1;   // index into the classes read so far, or -1
    int member = -1;   // in a listed member: its index among the class's members
    bool isClass = false;
    // In an enum whose values are kept: what qualifies them, and their target.
    bool inEnum = false;
    QString enumScope;
    QString enumTarget;
};

bool isMacro(QStringView tag, const QXmlStreamAttributes &a)
{
    return tag == u"function" && a.value(QLatin1String("meta")).startsWith(u"macro");
}

// The element a member comes from, as the lists name it.
QString memberWhat(QStringView tag, const QXmlStreamAttributes &a)
{
    return isMacro(tag, a) ? QStringLiteral("macro") : tag.toString();
}

// "Qt::Literals" is "Literals" in "Qt".
QPair<QString, QString> scopeAndName(const QString &qualified)
{
    const qsizetype colons = qualified.lastIndexOf(QLatin1String("::"));
    if (colons < 0)
        return {QString(), qualified};
    return {qualified.left(colons), qualified.mid(colons + 2)};
}

// The blanks the index leaves around parameters ("setEnabled(bool )",
// "Q_DECLARE_FLAGS( Flags,  Enum)") go, as on the pages.
QString tidySignature(const QString &signature)
{
    const QString s = signature.simplified();
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c == u' ' && i + 1 < s.size()
            && (s.at(i + 1) == u')' || s.at(i + 1) == u',' || (i > 0 && s.at(i - 1) == u'('))) {
            continue;
        }
        out += c;
    }
    return out;
}

} // namespace

QString memberDisplayName(const QString &signature, const QString &type)
{
    QString name = signature;
    if (!type.isEmpty() && name.startsWith(type) && name.size() > type.size()
        && name.at(type.size()) == QLatin1Char(' ')) {
        name.remove(0, type.size() + 1);
    }
    // The qualifiers say nothing a reader of the list needs.
    for (bool again = true; again;) {
        again = false;
        for (const QLatin1String tail : {QLatin1String(" override"), QLatin1String(" final")}) {
            if (name.endsWith(tail)) {
                name.chop(tail.size());
                again = true;
            }
        }
    }
    return tidySignature(name);
}

bool ClassCatalog::addIndex(QIODevice *device, IndexInfo *info, QString *error)
{
    QXmlStreamReader xml(device);
    QVector<Scope> scopes;
    QHash<QString, QStringList> bases;
    QVector<ClassEntry> classes;
    QSet<QString> classPages = m_classPages;
    QStringList unsafe;
    IndexInfo found;
    QVector<ApiName> names;
    QSet<QString> nameKeys = m_nameKeys;
    const auto addName = [&names, &nameKeys](const ApiName &n) {
        if (n.name.isEmpty() || !isSafeListField(n.name) || !isSafeListField(n.scope)
            || !isSafeListField(n.target))
            return;
        const QString key = n.name + u'\n' + n.scope + u'\n' + n.target;
        if (nameKeys.contains(key))
            return;
        nameKeys.insert(key);
        names.append(n);
    };

    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (!scopes.isEmpty())
                scopes.removeLast();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QStringView tag = xml.name();
        const QXmlStreamAttributes a = xml.attributes();
        const Scope parent = scopes.isEmpty() ? Scope() : scopes.last();
        Scope scope;
        scope.className = parent.className;

        if (tag == u"INDEX") {
            found.version = a.value(QLatin1String("version")).toString();
            found.url = a.value(QLatin1String("url")).toString();
        } else if (isClassElement(tag) || tag == u"namespace") {
            QString name = a.value(QLatin1String("fullname")).toString();
            if (name.isEmpty()) {
                name = a.value(QLatin1String("name")).toString();
                if (!parent.className.isEmpty() && !name.isEmpty())
                    name = parent.className + QLatin1String("::") + name;
                else if (name.isEmpty())
                    name = parent.className;
            }
            scope.className = name;
            const QString page = bareTarget(a.value(QLatin1String("href")));
            if (tag == u"namespace" && !name.isEmpty() && !page.isEmpty()
                && a.value(QLatin1String("status")) == u"active") {
                const auto [outer, inner] = scopeAndName(name);
                addName({inner, outer, page, QStringLiteral("namespace")});
            }
            if (isClassElement(tag)) {
                scope.isClass = true;
                const QString baseList = a.value(QLatin1String("bases")).toString();
                if (!baseList.isEmpty())
                    bases.insert(name, baseList.split(QLatin1Char(','), Qt::SkipEmptyParts));
                if (a.value(QLatin1String("status")) == u"active"
                    && a.value(QLatin1String("access")) == u"public" && !page.isEmpty()
                    && !classPages.contains(page)) {
                    if (isSafeListField(name) && isSafeListField(page)) {
                        classPages.insert(page);
                        scope.listed = int(classes.size());
                        classes.append(ClassEntry{QString(), name, page, {}});
                    } else {
                        unsafe.append(name);
                    }
                }
            }
        } else if (tag == u"parameter" && parent.listed >= 0 && parent.member >= 0) {
            classes[parent.listed].members[parent.member].parameterTypes.append(
                a.value(QLatin1String("type")).toString());
        } else if (tag == u"value" && parent.inEnum) {
            addName({a.value(QLatin1String("name")).toString(), parent.enumScope, parent.enumTarget,
                     QStringLiteral("enumvalue")});
        } else if (isMemberElement(tag)) {
            const QStringView href = a.value(QLatin1String("href"));
            const bool shown = a.value(QLatin1String("status")) == u"active"
                && a.value(QLatin1String("access")) != u"private" && !href.isEmpty();
            // Classes that are not listed keep their enums to themselves.
            const bool open = parent.listed >= 0 || !parent.isClass;
            if (shown && open && tag == u"enum") {
                scope.inEnum = true;
                scope.enumTarget = bareTarget(href);
                QString enumName = a.value(QLatin1String("fullname")).toString();
                if (enumName.isEmpty()) {
                    enumName = a.value(QLatin1String("name")).toString();
                    if (!parent.className.isEmpty())
                        enumName = parent.className + QLatin1String("::") + enumName;
                }
                // The values of an enum class are named through it.
                scope.enumScope = a.value(QLatin1String("scoped")) == u"true"
                    ? enumName
                    : scopeAndName(enumName).first;
            }
            if (shown && parent.listed < 0 && (open || isMacro(tag, a))) {
                // Macros know no scope; a namespace's members are named through it.
                addName({a.value(QLatin1String("name")).toString(),
                         isMacro(tag, a) ? QString() : parent.className, bareTarget(href),
                         memberWhat(tag, a)});
            }
            if (shown && parent.listed >= 0) {
                MemberEntry m;
                m.kind = memberKind(tag, a);
                m.what = memberWhat(tag, a);
                m.bareName = a.value(QLatin1String("name")).toString();
                m.name = tag == u"function"
                    ? memberDisplayName(a.value(QLatin1String("signature")).toString(),
                                        a.value(QLatin1String("type")).toString())
                    : m.bareName;
                if (m.name.isEmpty())
                    m.name = m.bareName;
                m.target = bareTarget(href);
                m.overload = a.value(QLatin1String("overload")) == u"true";
                m.properties = a.value(QLatin1String("associated-property"))
                                   .toString()
                                   .split(QLatin1Char(','), Qt::SkipEmptyParts);
                ClassEntry &owner = classes[parent.listed];
                const QString indexName =
                    m.bareName + QLatin1String(" (") + owner.name + QLatin1Char(')');
                if (!isSafeListField(m.name) || !isSafeListField(indexName)
                    || !isSafeListField(m.target)) {
                    unsafe.append(owner.name + QLatin1String("::") + m.name);
                } else {
                    const bool duplicate = std::any_of(
                        owner.members.cbegin(), owner.members.cend(), [&m](const MemberEntry &e) {
                            return e.kind == m.kind && e.name == m.name && e.target == m.target;
                        });
                    if (!duplicate) {
                        scope.listed = parent.listed;
                        scope.member = int(owner.members.size());
                        owner.members.append(m);
                    }
                }
            }
        }
        scopes.append(scope);
    }
    if (xml.hasError()) {
        *error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
        return false;
    }
    for (auto it = bases.cbegin(); it != bases.cend(); ++it)
        m_bases.insert(it.key(), it.value());
    m_classes += classes;
    m_classPages = classPages;
    m_unsafe += unsafe;
    m_names += names;
    m_nameKeys = nameKeys;
    if (info)
        *info = found;
    return true;
}

QString ClassCatalog::classKind(const QString &className) const
{
    bool object = false;
    QSet<QString> seen;
    QStringList pending{className};
    while (!pending.isEmpty()) {
        const QString name = pending.takeLast().trimmed();
        if (seen.contains(name))
            continue; // the index may well have a cycle through a typo'd base
        seen.insert(name);
        if (name == QLatin1String("QWidget"))
            return QStringLiteral("W");
        if (name == QLatin1String("QObject"))
            object = true;
        pending += m_bases.value(name);
    }
    return object ? QStringLiteral("O") : QStringLiteral("C");
}

QStringList ClassCatalog::ancestors(const QString &className) const
{
    QStringList found;
    QStringList pending{className};
    for (qsizetype next = 0; next < pending.size(); ++next) {
        for (const QString &base : m_bases.value(pending.at(next))) {
            const QString name = base.trimmed();
            // The index may well have a cycle through a typo'd base.
            if (name != className && !found.contains(name)) {
                found.append(name);
                pending.append(name);
            }
        }
    }
    return found;
}

QByteArray contentsList(QVector<ClassEntry> classes)
{
    auto group = [](const QString &kind) {
        return kind == QLatin1String("C") ? 0 : kind == QLatin1String("O") ? 1 : 2;
    };
    std::stable_sort(classes.begin(), classes.end(),
                     [&group](const ClassEntry &a, const ClassEntry &b) {
                         const int ga = group(a.kind);
                         const int gb = group(b.kind);
                         if (ga != gb)
                             return ga < gb;
                         return a.name.toUtf8() < b.name.toUtf8();
                     });
    QByteArray out;
    for (const ClassEntry &c : std::as_const(classes)) {
        QList<ContentsMember> members;
        members.reserve(c.members.size());
        for (const MemberEntry &m : c.members)
            members.append({m.kind, m.name, m.target, m.overload});
        out += formatContentsLine(c.kind, c.name, c.page, members).toUtf8() + listLineEnd;
    }
    return out;
}

QVector<IndexLine> indexLines(const QVector<ClassEntry> &classes)
{
    QVector<IndexLine> lines;
    const auto add = [&lines](const QString &name, const QString &target, const QString &kind,
                              int classIndex, int memberIndex) {
        lines.append(
            {name.toUtf8(), formatIndexLine(name, target, kind).toUtf8(), classIndex, memberIndex});
    };
    for (int i = 0; i < classes.size(); ++i) {
        const ClassEntry &c = classes.at(i);
        add(c.name, c.page, c.kind, i, -1);
        for (int j = 0; j < c.members.size(); ++j) {
            const MemberEntry &m = c.members.at(j);
            add(m.bareName + QLatin1String(" (") + c.name + QLatin1Char(')'), m.target, m.kind, i,
                j);
        }
    }
    // By name, as bytes; lines of one name (the overloads of a member) in
    // the order of the reference, which the Index keeps for them.
    std::stable_sort(lines.begin(), lines.end(), [](const IndexLine &a, const IndexLine &b) {
        if (a.name != b.name)
            return a.name < b.name;
        if (a.classIndex != b.classIndex)
            return a.classIndex < b.classIndex;
        return a.memberIndex < b.memberIndex;
    });
    return lines;
}

QByteArray indexList(const QVector<ClassEntry> &classes)
{
    QByteArray out;
    for (const IndexLine &l : indexLines(classes))
        out += l.line + listLineEnd;
    return out;
}

} // namespace tarn::import
