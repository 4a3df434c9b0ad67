// Velmora: the anchors of the reference pages, and the repair of link targets that miss them.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

namespace tarn::import {

struct MemberEntry;

// What a signature says that tells overloads apart: the name, the parameter
// types without names or defaults, and the qualifiers after the list.
struct Signature
{
    QString name;
    bool function = false; // a parameter list follows the name
    QStringList parameters;
    QString qualifiers; // "const", "&&", "const&"...

    bool sameOverload(const Signature &other) const;
};

// A member's heading in a page: the anchor it carries and a signature per
// name it shows (an enum heading shows the enum and its flags type).
struct MemberHeading
{
    QByteArray anchor;   // unique in the page once duplicates are renamed
    QByteArray original; // the anchor as the page had it
    Signature signature;
    QString key; // the name without blanks, for comparing
};

struct PageAnchors
{
    QSet<QByteArray> anchors; // every id and <a name>, duplicates renamed
    // An anchor that the page carries more than once, with the names its
    // second, third... holders get, so each can be linked on its own.
    QHash<QByteArray, QVector<QByteArray>> duplicates;
    QVector<MemberHeading> headings;
    QByteArray landing; // where a target that names nothing of the page goes

    bool has(const QByteArray &anchor) const { return anchors.contains(anchor); }
};

// Reads a page's anchors and member headings. With `renameDuplicates` the
// second and later holders of an anchor are given names of their own, as
// rewritePage() writes them.
PageAnchors scanAnchors(const QByteArray &html, bool renameDuplicates);

// Normalised pieces of signatures as the pages and the .index files write them.
QString normalisedType(QStringView type);
QString normalisedQualifiers(QStringView tail);
// `text` starts at "(": the parameter types up to the matching ")", and
// what follows it; false when the list does not close.
bool parseParameterList(QStringView text, QStringList *types, QString *tail);

// The words of a link and a parameter list written right after it, as in
// "<b><a href="x.html#f">f</a></b>(int <i>a</i>)".
struct LinkContext
{
    QString text;
    QStringList parameters; // empty when none follow or "()" does
    bool hasParameters = false;

    QString memberName() const; // the text without "()" and class qualification
};
LinkContext linkContextAt(const QByteArray &html, qsizetype afterTag);

enum class AnchorFate {
    Present,       // the anchor exists; nothing changed
    Repaired,      // the same member found under its real anchor
    PointedAtPage, // nothing of that name: the page's landing anchor
    Missing,       // the page has no anchor to point at
};

struct TargetRepair
{
    QByteArray target; // page#anchor
    AnchorFate fate = AnchorFate::Present;
    QString why; // for PointedAtPage and Missing
};

// The anchors of every page of the set, and the repairs made from them.
class AnchorRepair
{
public:
    void addPage(const QByteArray &name, PageAnchors anchors);
    const PageAnchors *page(const QByteArray &name) const;
    // True when the page carries the anchor once (or is no page of the set):
    // a link to it needs no repair.
    bool isSound(const QByteArray &page, const QByteArray &anchor) const;

    // A list member's target: kept when its anchor exists, else the
    // member's own heading matched by name and signature (on its page or
    // the page of obsolete members beside it), else the heading of the
    // property it belongs to, else the page's landing anchor. The repair
    // is remembered for links that name the same target.
    TargetRepair repairMember(const MemberEntry &member);

    // A link in a page, `page` and `anchor` as rewritten to bare names.
    TargetRepair repairLink(const QByteArray &page, const QByteArray &anchor,
                            const LinkContext &context) const;

private:
    TargetRepair relocate(const MemberEntry &member, const Signature &wanted,
                          const QByteArray &pageName, const QByteArray &anchor,
                          const MemberHeading *exact) const;
    const MemberHeading *findHeading(const PageAnchors &page, const Signature &wanted,
                                     bool matchParameters) const;

    QHash<QByteArray, PageAnchors> m_pages;
    QHash<QByteArray, TargetRepair> m_memberTargets; // by the target the index gave
    QSet<QByteArray> m_ambiguousTargets;             // one target, members repaired apart
};

} // namespace tarn::import
