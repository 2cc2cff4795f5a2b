#include "TestEnvironment.h"

#include "widgets/SearchField.h"
#include "widgets/SegmentedControl.h"

#include <QAbstractButton>
#include <QTest>

class tst_NativeControls : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void searchFieldWritesEditsAndTakesOutsideWritesOnRefresh() {
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

    void segmentedControl_data() {
        QTest::addColumn<int>("selection");
        QTest::addColumn<int>("index");
        QTest::addRow("middle") << 20 << 1;
        QTest::addRow("duplicate value picks the first") << 30 << 2;
        QTest::addRow("unknown value shows the first") << 99 << 0;
    }
    void segmentedControl() {
        QFETCH(int, selection);
        QFETCH(int, index);
        TestEnvironment env;
        struct Holder : QObject {
            int value = 0;
            int get() const { return value; }
            void set(int v) { value = v; }
        } holder;
        holder.value = selection;
        QList<int> seenByHandler;
        const QIcon icon;
        SegmentedControl<int> control(Binding<int>::property(&holder, &Holder::get, &Holder::set),
                                      {icon, icon, icon, icon}, {10, 20, 30, 30},
                                      [&] { seenByHandler.append(holder.value); });
        QCOMPARE(control.selectedIndex(), index);
        QCOMPARE(holder.value, selection); // showing never writes

        holder.value = 20;
        control.refresh();
        QCOMPARE(control.selectedIndex(), 1);
        // A click writes the binding before the handler runs.
        auto buttons = control.findChildren<QAbstractButton*>();
        QTest::mouseClick(buttons.at(2), Qt::LeftButton);
        QCOMPARE(control.selectedIndex(), 2);
        QTest::mouseClick(buttons.at(0), Qt::LeftButton);
        QCOMPARE(seenByHandler, (QList<int>{30, 10}));
    }
};

QTEST_MAIN(tst_NativeControls)
#include "tst_NativeControls.moc"
