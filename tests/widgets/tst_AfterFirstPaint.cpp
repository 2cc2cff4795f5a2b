#include "widgets/AfterFirstPaint.h"

#include <QApplication>
#include <QEvent>
#include <QTest>
#include <QWindow>

#include <memory>

namespace {

// Writes down, in order, the window's paints and the work's run.
class PaintLog : public QObject {
public:
    explicit PaintLog(QWidget* window) { window->installEventFilter(this); }
    QStringList events;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            events.append(QStringLiteral("paint"));
        return false;
    }
};

} // namespace

// Start-up work waits for the window's first picture, never for ever.
class tst_AfterFirstPaint : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A window shown at the same moment paints first; one not shown, or already on screen,
    // lets the work run on the next turn of the loop; a context gone first takes the work
    // with it.
    void runsOnceAfterThePicture_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("contextGoes");
        QTest::addColumn<QStringList>("expected");
        const QStringList paintFirst{QStringLiteral("paint"), QStringLiteral("work")};
        QTest::addRow("shown with it") << "shown" << false << paintFirst;
        QTest::addRow("never shown") << "hidden" << false << QStringList{"work"};
        QTest::addRow("already on screen") << "exposed" << false << QStringList{"work"};
        QTest::addRow("context gone") << "shown" << true << QStringList{"paint"};
    }

    void runsOnceAfterThePicture() {
        QFETCH(QString, window);
        QFETCH(bool, contextGoes);
        QFETCH(QStringList, expected);
        QWidget top;
        top.resize(200, 100);
        if (window == u"exposed") {
            top.show();
            QVERIFY(QTest::qWaitForWindowExposed(&top));
        }
        PaintLog log(&top);
        auto context = std::make_unique<QObject>();
        AfterFirstPaint::run(
            &top, context.get(), [&] { log.events.append(QStringLiteral("work")); }, 300);
        if (window == u"shown")
            top.show();
        if (contextGoes)
            context.reset();
        QTRY_COMPARE(log.events.value(expected.size() - 1), expected.last());
        // Nothing more comes: not a second run, not the fallback's.
        QTest::qWait(400);
        QCOMPARE(log.events.filter(QStringLiteral("work")).size(), contextGoes ? 0 : 1);
        QCOMPARE(log.events.mid(0, expected.size()), expected);
    }
};

QTEST_MAIN(tst_AfterFirstPaint)
#include "tst_AfterFirstPaint.moc"
