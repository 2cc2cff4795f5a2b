#include "updates/VersionComparator.h"

#include <QTest>

class tst_VersionComparator : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ordersVersions_data();
    void ordersVersions();
};

void tst_VersionComparator::ordersVersions_data() {
    // `lhs` is older than (-1), the same as (0) or newer than (1) `rhs`.
    QTest::addColumn<QString>("lhs");
    QTest::addColumn<QString>("rhs");
    QTest::addColumn<int>("order");

    const auto add = [](const char* name, const char* lhs, const char* rhs, int order) {
        QTest::addRow("%s", name) << QString(lhs) << QString(rhs) << order;
    };
    add("numeric, not string order", "1.9", "1.10", -1);
    add("extra part", "1.0.1", "1.0", 1);
    add("beyond 64 bits", "1.18446744073709551616", "1.18446744073709551615", 1);
    add("beta before its release", "1.0b1", "1.0", -1);
    add("beta numbers", "1.0b2", "1.0b10", -1);
    add("alpha before beta", "2.0a3", "2.0b1", -1);
    add("release candidate with a dash", "2.0-rc1", "2.0", -1);
    add("patch beats beta", "1.0.1", "1.0b1", 1);
    add("empty is oldest", "", "0.1", -1);
    add("trailing zeros", "2", "2.0.0", 0);
    add("leading zeros", "1.01", "1.1", 0);
    add("letter case", "1.0B1", "1.0b1", 0);
}

void tst_VersionComparator::ordersVersions() {
    QFETCH(QString, lhs);
    QFETCH(QString, rhs);
    QFETCH(int, order);
    const auto sign = [](std::weak_ordering o) { return o < 0 ? -1 : o > 0 ? 1 : 0; };
    QCOMPARE(sign(VersionComparator::compare(lhs, rhs)), order);
    QCOMPARE(sign(VersionComparator::compare(rhs, lhs)), -order);
}

QTEST_APPLESS_MAIN(tst_VersionComparator)
#include "tst_VersionComparator.moc"
