// Velmora: fuzz target for the contents list: its lines and their member lists.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "listformat.h"
#include "listtables.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace tarn;

namespace {

// The parser's promises, checked on every input: fields never hold their
// own separators.
void check(bool condition)
{
    if (!condition)
        std::abort();
}

// A frozen image of the classes, as the build places one in the program:
// one that is taken gives texts that lie inside it, and frozen again and
// taken back it is the same table.
void checkFrozen(const uint8_t *data, size_t size)
{
    QByteArray placed(qsizetype(size) + 16, '\0');
    char *at = placed.data() + (16 - quintptr(placed.constData()) % 16) % 16;
    std::memcpy(at, data, size);
    const auto *image = reinterpret_cast<const unsigned char *>(at);
    ContentsTable table;
    if (!ContentsTable::fromFrozen(image, qsizetype(size), &table))
        return;
    const auto inside = [&](const QString &text) {
        const auto *from = reinterpret_cast<const unsigned char *>(text.constData());
        return text.isEmpty()
            || (from >= image && from + text.size() * 2 <= image + qsizetype(size));
    };
    for (const ContentsTable::Class &entry : std::as_const(table.classes))
        check(inside(entry.kind) && inside(entry.name) && inside(entry.page)
              && entry.membersStart >= 0 && entry.membersLength >= 0);
    const auto *opening = reinterpret_cast<const unsigned char *>(table.openingMembers.constData());
    check(table.openingMembers.isEmpty()
          || (opening >= image && opening + table.openingMembers.size() <= image + qsizetype(size)
              && table.openingMembers.size() == table.classes.first().membersLength));
    const QByteArray again = table.frozen();
    QByteArray placedAgain(again.size() + 16, '\0');
    char *atAgain = placedAgain.data() + (16 - quintptr(placedAgain.constData()) % 16) % 16;
    std::memcpy(atAgain, again.constData(), size_t(again.size()));
    ContentsTable back;
    check(ContentsTable::fromFrozen(reinterpret_cast<const unsigned char *>(atAgain), again.size(),
                                    &back));
    check(back.classes.size() == table.classes.size()
          && back.openingMembers == table.openingMembers);
    for (qsizetype i = 0; i < back.classes.size(); ++i) {
        const ContentsTable::Class &a = table.classes.at(i);
        const ContentsTable::Class &b = back.classes.at(i);
        check(a.kind == b.kind && a.name == b.name && a.page == b.page
              && a.membersStart == b.membersStart && a.membersLength == b.membersLength);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size >= 8 && std::memcmp(data, "VXCONTS2", 8) == 0) {
        checkFrozen(data, size);
        return 0;
    }
    // The list file reaches the window as UTF-8 text, split into lines.
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QStringView line : splitListLines(text)) {
        check(!line.contains(u'\n'));
        const ContentsClass entry = parseContentsLine(line);
        check(!entry.kind.contains(u"===") && !entry.name.contains(u"===")
              && !entry.page.contains(u"==="));
        check(!entry.members.contains(u'@'));
        kindIconName(entry.kind);
        for (const ContentsMember &member : parseMemberList(entry.members)) {
            check(!member.kind.contains(u"===") && !member.name.contains(u"===")
                  && !member.target.contains(u"==="));
            check(!member.name.contains(u";;") && !member.target.contains(u";;"));
            kindIconName(member.kind);
        }
    }
    return 0;
}
