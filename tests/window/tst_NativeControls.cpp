#include "TestEnvironment.h"

#include "window/NoFocusRingStyle.h"
#include "window/SearchField.h"
#include "window/SegmentedControl.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QSpinBox>
#include <QStyleFactory>
#include <QTest>
#include <QVBoxLayout>

namespace {

// A field's ring lives on its edge; the inside also holds the text cursor, which only a
// focused field shows, so it is blanked before comparing.
QImage frameOf(QImage image) {
    QPainter painter(&image);
    painter.fillRect(
        QRect(QPoint(0, 0), image.deviceIndependentSize().toSize()).adjusted(3, 3, -3, -3),
        Qt::black);
    return image;
}

} // namespace

class tst_NativeControls : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void searchFieldWritesEditsAndTakesOutsideWritesOnRefresh();
    void segmentedControlShowsSelection_data();
    void segmentedControlShowsSelection();
    void segmentedControlWritesBindingBeforeHandler();
    void textFieldsDrawNoFocusRing_data();
    void textFieldsDrawNoFocusRing();
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

void tst_NativeControls::textFieldsDrawNoFocusRing_data() {
    QTest::addColumn<QString>("kind");
    QTest::addRow("line edit") << "line";
    QTest::addRow("spin box") << "spin";
}

void tst_NativeControls::textFieldsDrawNoFocusRing() {
    QFETCH(QString, kind);
    TestEnvironment env;
    // Renders the field with and without keyboard focus; under the style both look alike.
    auto render = [&](QStyle* style) -> std::pair<QImage, QImage> {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* other = new QLineEdit(&window);
        QWidget* field = nullptr;
        if (kind == QLatin1String("line"))
            field = new QLineEdit(&window);
        else
            field = new QSpinBox(&window);
        layout->addWidget(field);
        layout->addWidget(other);
        window.setStyle(style);
        for (QWidget* child : window.findChildren<QWidget*>())
            child->setStyle(style);
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            return {};
        other->setFocus();
        if (!QTest::qWaitFor([&] { return other->hasFocus(); }))
            return {};
        const QImage unfocused = field->grab().toImage();
        field->setFocus();
        if (!QTest::qWaitFor([&] { return field->hasFocus(); }))
            return {};
        const QImage focused = field->grab().toImage();
        return std::pair{unfocused, focused};
    };

    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    const auto [plainUnfocused, plainFocused] = render(fusion.get());
    if (plainUnfocused.isNull())
        QSKIP("the platform cannot activate windows");
    // Fusion itself highlights a focused field; otherwise this test would prove nothing.
    QVERIFY(frameOf(plainUnfocused) != frameOf(plainFocused));

    NoFocusRingStyle style(QStyleFactory::create(QStringLiteral("Fusion")));
    const auto [unfocused, focused] = render(&style);
    QCOMPARE(frameOf(focused), frameOf(unfocused));
}

QTEST_MAIN(tst_NativeControls)
#include "tst_NativeControls.moc"
