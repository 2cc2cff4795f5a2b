#include "TestEnvironment.h"

#include "widgets/SearchField.h"
#include "widgets/SegmentedControl.h"

#include <QAbstractButton>
#include <QTest>

class tst_NativeControls : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void searchFieldWritesEditsAndTakesOutsideWritesOnRefresh();
    void segmentedControlShowsSelection_data();
    void segmentedControlShowsSelection();
    void segmentedControlWritesBindingBeforeHandler();
};

void tst_NativeControls::searchFieldWritesEditsAndTakesOutsideWritesOnRefresh() {
    TestEnvironment env;
    QStringList writes;
    auto stored = std::make_shared<QString>(QStringLiteral("x"));
    SearchField field(Binding<QString>([stored] { return *stored; },
                                       [stored, &writes](const QString& value) {
                                           *stored = value;
                                           writes.append(value);
                                       }));
    QCOMPARE(field.text(), QStringLiteral("x"));
    QTest::keyClicks(&field, QStringLiteral("ab"));
    QCOMPARE(writes, (QStringList{"xa", "xab"}));
    // Refreshing after the field's own edits writes nothing back and keeps the cursor.
    field.setCursorPosition(1);
    field.refresh();
    QCOMPARE(writes.size(), 2);
    QCOMPARE(field.cursorPosition(), 1);

    *stored = QString();
    QCOMPARE(field.text(), QStringLiteral("xab")); // not until the next refresh
    field.refresh();
    QCOMPARE(field.text(), QString());
}

void tst_NativeControls::segmentedControlShowsSelection_data() {
    QTest::addColumn<QString>("selection");
    QTest::addColumn<int>("index");
    QTest::addRow("middle") << "b" << 1;
    QTest::addRow("duplicate value picks the first") << "c" << 2;
    QTest::addRow("unknown value shows the first") << "z" << 0;
}

void tst_NativeControls::segmentedControlShowsSelection() {
    QFETCH(QString, selection);
    QFETCH(int, index);
    TestEnvironment env;
    auto stored = std::make_shared<QString>(selection);
    const QIcon icon;
    SegmentedControl<QString> control(Binding<QString>::value(stored), {icon, icon, icon, icon},
                                      {"a", "b", "c", "c"});
    QCOMPARE(control.selectedIndex(), index);
    QCOMPARE(*stored, selection); // showing never writes

    *stored = QStringLiteral("b");
    control.refresh();
    QCOMPARE(control.selectedIndex(), 1);
}

void tst_NativeControls::segmentedControlWritesBindingBeforeHandler() {
    TestEnvironment env;
    struct Holder : QObject {
        int value = 42;
        int get() const { return value; }
        void set(int v) { value = v; }
    } holder;
    QList<int> seenByHandler;
    const QIcon icon;
    SegmentedControl<int> control(Binding<int>::property(&holder, &Holder::get, &Holder::set),
                                  {icon, icon, icon}, {10, 20, 30},
                                  [&] { seenByHandler.append(holder.value); });
    auto buttons = control.findChildren<QAbstractButton*>();
    QTest::mouseClick(buttons.at(2), Qt::LeftButton);
    QCOMPARE(control.selectedIndex(), 2);
    QTest::mouseClick(buttons.at(1), Qt::LeftButton);
    QCOMPARE(seenByHandler, (QList<int>{30, 20}));
}

QTEST_MAIN(tst_NativeControls)
#include "tst_NativeControls.moc"
