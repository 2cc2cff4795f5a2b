#include "updates/VersionComparator.h"

#include <QTest>

class tst_VersionComparator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ordersVersions_data();
    void ordersVersions();
    void treatsEquivalentSpellingsAsEqual_data();
    void treatsEquivalentSpellingsAsEqual();
};

void tst_VersionComparator::ordersVersions_data() {
    QTest::addColumn<QString>("older");
    QTest::addColumn<QString>("newer");

    QTest::addRow("numeric, not string order") << "1.9"
                                               << "1.10";
    QTest::addRow("numeric in later parts") << "1.2.9"
                                            << "1.2.10";
    QTest::addRow("major wins") << "1.99.99"
                                << "2.0";
    QTest::addRow("extra part") << "1.0"
                                << "1.0.1";
    QTest::addRow("build numbers") << "99"
                                   << "100";
    QTest::addRow("leading zeros") << "1.09"
                                   << "1.10";
    QTest::addRow("beyond 64 bits") << "1.18446744073709551615"
                                    << "1.18446744073709551616";
    QTest::addRow("beta before release") << "1.0b1"
                                         << "1.0";
    QTest::addRow("beta after previous") << "0.9"
                                         << "1.0b1";
    QTest::addRow("beta numbers") << "1.0b2"
                                  << "1.0b10";
    QTest::addRow("alpha before beta") << "2.0a3"
                                       << "2.0b1";
    QTest::addRow("release candidate with dash") << "2.0-rc1"
                                                 << "2.0";
    QTest::addRow("patch beats beta") << "1.0b1"
                                      << "1.0.1";
    QTest::addRow("empty is oldest") << ""
                                     << "0.1";
}

void tst_VersionComparator::ordersVersions() {
    QFETCH(QString, older);
    QFETCH(QString, newer);
    QVERIFY(VersionComparator::compare(older, newer) < 0);
    QVERIFY(VersionComparator::compare(newer, older) > 0);
    QVERIFY(VersionComparator::compare(newer, newer) == 0);
}

void tst_VersionComparator::treatsEquivalentSpellingsAsEqual_data() {
    QTest::addColumn<QString>("lhs");
    QTest::addColumn<QString>("rhs");

    QTest::addRow("trailing zero") << "1.0"
                                   << "1.0.0";
    QTest::addRow("several trailing zeros") << "2"
                                            << "2.0.0.0";
    QTest::addRow("leading zeros") << "1.01"
                                   << "1.1";
    QTest::addRow("letter case") << "1.0B1"
                                 << "1.0b1";
    QTest::addRow("surrounding space") << " 1.2 "
                                       << "1.2";
}

void tst_VersionComparator::treatsEquivalentSpellingsAsEqual() {
    QFETCH(QString, lhs);
    QFETCH(QString, rhs);
    QVERIFY(VersionComparator::compare(lhs, rhs) == 0);
    QVERIFY(VersionComparator::compare(rhs, lhs) == 0);
}

QTEST_APPLESS_MAIN(tst_VersionComparator)
#include "tst_VersionComparator.moc"
