// Velmora: the imported documentation folder has no dead ends.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "linkcheck.h"

#include <QTest>

using namespace tarn::import;

namespace {

// Up to this many links may still name an anchor their page lacks, each
// listed in the import report with the reason.
constexpr int missingAnchorsAllowed = 10;

QByteArray listing(const QStringList &problems)
{
    return problems.mid(0, 20).join(QLatin1Char('\n')).toUtf8();
}

} // namespace

class tst_ImportedSet : public QObject
{
    Q_OBJECT

private:
    FolderCheck m_check;

private Q_SLOTS:
    void initTestCase()
    {
        m_check = checkFolder(QStringLiteral(VELMORA_IMPORTED_DIR));
        qInfo("%d pages, %d links followed, %d list targets", m_check.pages, m_check.links,
              m_check.listTargets);
        QVERIFY2(m_check.pages > 2000, "the imported folder is missing or nearly empty");
        QVERIFY(m_check.listTargets > 40000);
    }

    void listTargets_nameExistingPagesAndAnchors()
    {
        QVERIFY2(m_check.listMissingPages.isEmpty(), listing(m_check.listMissingPages));
        QVERIFY2(m_check.listMissingAnchors.isEmpty(), listing(m_check.listMissingAnchors));
        // An anchor that two elements carry takes the reader to the first of them.
        QVERIFY2(m_check.listSharedAnchors.isEmpty(), listing(m_check.listSharedAnchors));
    }

    void links_nameExistingPages()
    {
        QVERIFY2(m_check.missingPages.isEmpty(), listing(m_check.missingPages));
    }

    void links_nameExistingAnchors()
    {
        qInfo("%d links name an anchor their page lacks", int(m_check.missingAnchors.size()));
        QVERIFY2(m_check.missingAnchors.size() <= missingAnchorsAllowed,
                 listing(m_check.missingAnchors));
    }

    void memberNames_areSpacedAsThePagesShowThem()
    {
        QVERIFY2(m_check.spacedMemberNames.isEmpty(), listing(m_check.spacedMemberNames));
    }
};

QTEST_GUILESS_MAIN(tst_ImportedSet)
#include "tst_importedset.moc"
