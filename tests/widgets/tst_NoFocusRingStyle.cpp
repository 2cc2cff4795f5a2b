#include "widgets/NoFocusRingStyle.h"

#include <QStyleFactory>
#include <QStyleOption>
#include <QTest>
#include <QWidget>

#include <memory>

// The icons the style hands out before they are drawn are the base style's.
class tst_NoFocusRingStyle : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Drawn, measured and asked for sizes, a deferred icon is the base style's icon, whatever
    // the widget and option it was asked with.
    void standardIconsAreTheBaseStyles_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("withWidget");
        QTest::addRow("overflow arrow")
            << int(QStyle::SP_ToolBarHorizontalExtensionButton) << 16 << true;
        QTest::addRow("clear button") << int(QStyle::SP_LineEditClearButton) << 16 << true;
        QTest::addRow("warning, large") << int(QStyle::SP_MessageBoxWarning) << 48 << false;
        QTest::addRow("back arrow") << int(QStyle::SP_ArrowBack) << 24 << true;
    }

    void standardIconsAreTheBaseStyles() {
        QFETCH(int, which);
        QFETCH(int, size);
        QFETCH(bool, withWidget);
        const auto standard = QStyle::StandardPixmap(which);
        const std::unique_ptr<QStyle> base(QStyleFactory::create(QStringLiteral("Fusion")));
        QVERIFY(base);
        NoFocusRingStyle style(QStyleFactory::create(QStringLiteral("Fusion")));
        QWidget widget;
        widget.setLayoutDirection(Qt::RightToLeft);
        QStyleOption option;
        option.initFrom(&widget);
        const QWidget* asker = withWidget ? &widget : nullptr;
        const QIcon expected = base->standardIcon(standard, &option, asker);
        const QIcon deferred = style.standardIcon(standard, &option, asker);
        QCOMPARE(deferred.isNull(), expected.isNull());
        QCOMPARE(deferred.availableSizes(), expected.availableSizes());
        QCOMPARE(deferred.actualSize(QSize(size, size)), expected.actualSize(QSize(size, size)));
        for (const qreal ratio : {1.0, 2.0}) {
            QCOMPARE(deferred.pixmap(QSize(size, size), ratio).toImage(),
                     expected.pixmap(QSize(size, size), ratio).toImage());
        }
        QCOMPARE(deferred.pixmap(size, QIcon::Disabled).toImage(),
                 expected.pixmap(size, QIcon::Disabled).toImage());
    }
};

QTEST_MAIN(tst_NoFocusRingStyle)
#include "tst_NoFocusRingStyle.moc"
