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
};

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
            if (isClassElement(tag)) {
                scope.isClass = true;
                const QString baseList = a.value(QLatin1String("bases")).toString();
                if (!baseList.isEmpty())
                    bases.insert(name, baseList.split(QLatin1Char(','), Qt::SkipEmptyParts));
                const QString page = bareTarget(a.value(QLatin1String("href")));
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
        } else if (isMemberElement(tag) && parent.listed >= 0) {
            const QStringView href = a.value(QLatin1String("href"));
            if (a.value(QLatin1String("status")) == u"active"
                && a.value(QLatin1String("access")) != u"private" && !href.isEmpty()) {
                MemberEntry m;
                m.kind = memberKind(tag, a);
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

QByteArray indexList(const QVector<ClassEntry> &classes)
{
    struct Line
    {
        QByteArray name;
        QByteArray line;
    };
    QVector<Line> lines;
    const auto add = [&lines](const QString &name, const QString &target, const QString &kind) {
        lines.append({name.toUtf8(), formatIndexLine(name, target, kind).toUtf8()});
    };
    for (const ClassEntry &c : classes) {
        add(c.name, c.page, c.kind);
        for (const MemberEntry &m : c.members)
            add(m.bareName + QLatin1String(" (") + c.name + QLatin1Char(')'), m.target, m.kind);
    }
    // By name, then by the rest of the line, as bytes.
    std::stable_sort(lines.begin(), lines.end(), [](const Line &a, const Line &b) {
        if (a.name != b.name)
            return a.name < b.name;
        return a.line < b.line;
    });
    QByteArray out;
    for (const Line &l : std::as_const(lines))
        out += l.line + listLineEnd;
    return out;
}

} // namespace tarn::import
