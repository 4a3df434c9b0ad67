// Velmora: fuzz target for the contents list: its lines and their member lists.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "listformat.h"

#include <cstdint>
#include <cstdlib>

using namespace tarn;

namespace {

// The parser's promises, checked on every input: fields never hold their
// own separators.
void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
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
