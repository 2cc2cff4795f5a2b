#include "widgets/AccessoryBarButton.h"
#include "widgets/Popover.h"
#include "widgets/ToolbarPicker.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

namespace {

using State = ToolbarPicker::PopoverState;

// A picker whose state the test sets; each content is a label naming the state.
class StubPicker : public ToolbarPicker {
public:
    explicit StubPicker(QWidget* parent)
        : ToolbarPicker(QStringLiteral("Pick a thing"), QStringLiteral("Thing: %1"), parent) {
        refreshLabel();
    }

    void setState(State state) {
        m_state = state;
        updatePopoverContent();
    }
    // What the list does when a row is chosen.
    void chooseRow() { showingPopoverBinding().set(false); }

    int built = 0;
    int labelRefreshes = 0;

protected:
    [[nodiscard]] State currentPopoverState() const override { return m_state; }
    [[nodiscard]] QWidget* createPopoverContent(State state) override {
        ++built;
        auto* content = new QLabel(QString::number(int(state)));
        content->setFixedSize(200, 100);
        return content;
    }
    void refreshLabel() override {
        ++labelRefreshes;
        setLabel(QPixmap(), QStringLiteral("Title %1").arg(labelRefreshes));
    }

private:
    State m_state = State::Loading;
};

struct Fixture {
    Fixture() {
        auto* layout = new QHBoxLayout(&toolbar);
        layout->addWidget(picker);
        toolbar.resize(300, 40);
        toolbar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&toolbar));
    }

    [[nodiscard]] QString shown() const {
        auto* label = qobject_cast<QLabel*>(picker->popover()->content());
        return label ? label->text() : QString();
    }

    QWidget toolbar;
    StubPicker* picker = new StubPicker(&toolbar);
};

} // namespace

class tst_ToolbarPicker : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void contentFollowsTheState_data() {
        QTest::addColumn<QList<State>>("states"); // the first when opening, then the changes
        QTest::addColumn<int>("built");
        QTest::addRow("loading, then the list") << QList{State::Loading, State::List} << 2;
        QTest::addRow("the list is kept") << QList{State::List, State::List} << 1;
        QTest::addRow("a new error is rebuilt") << QList{State::Error, State::Error} << 2;
        QTest::addRow("list, empty, list") << QList{State::List, State::Empty, State::List} << 3;
    }

    void contentFollowsTheState() {
        QFETCH(QList<State>, states);
        QFETCH(int, built);
        Fixture f;
        f.picker->setState(states.first());
        QCOMPARE(f.picker->built, 0); // nothing is built while closed
        f.picker->button()->click();
        QVERIFY(f.picker->popover()->isVisible());
        for (State state : states.mid(1))
            f.picker->setState(state);
        QCOMPARE(f.picker->built, built);
        QCOMPARE(f.picker->popoverState(), states.last());
        QCOMPARE(f.shown(), QString::number(int(states.last())));
    }

    void closes_data() {
        QTest::addColumn<std::function<void(Fixture&)>>("close");
        // Through the window, as the window system delivers it: the press that closes the pop-up
        // is not replayed to the button, which would open it again.
        QTest::addRow("pressing the button again") << std::function([](Fixture& f) {
            QTest::mouseClick(
                f.toolbar.windowHandle(), Qt::LeftButton, {},
                f.picker->button()->mapTo(&f.toolbar, f.picker->button()->rect().center()));
        });
        QTest::addRow("Escape") << std::function(
            [](Fixture& f) { QTest::keyClick(f.picker->popover(), Qt::Key_Escape); });
        // Through the same setter as the owner would.
        QTest::addRow("a row chosen") << std::function([](Fixture& f) { f.picker->chooseRow(); });
    }

    void closes() {
        QFETCH(std::function<void(Fixture&)>, close);
        Fixture f;
        f.picker->setState(State::List);
        QSignalSpy changes(f.picker, &ToolbarPicker::showingPopoverChanged);
        QVERIFY(changes.isValid());
        f.picker->button()->click();
        QVERIFY(f.picker->showingPopover());
        close(f);
        QVERIFY(!f.picker->showingPopover());
        QVERIFY(!f.picker->popover()->isVisible());
        QCOMPARE(changes.count(), 2);
        // Opened again, it starts afresh.
        QCOMPARE(f.picker->popover()->content(), nullptr);
        f.picker->button()->click();
        QCOMPARE(f.picker->built, 2);
    }

    void buttonDescribesWhatItShows() {
        Fixture f;
        QCOMPARE(f.picker->title(), QStringLiteral("Title 1"));
        QCOMPARE(f.picker->button()->accessibleDescription(), QStringLiteral("Pick a thing"));
        QCOMPARE(f.picker->button()->accessibleName(), QStringLiteral("Thing: Title 1"));
        // Light/dark switches redraw the symbol and the chevron.
        QPalette dark = f.toolbar.palette();
        dark.setColor(QPalette::WindowText, Qt::white);
        f.toolbar.setPalette(dark);
        QCOMPARE(f.picker->button()->accessibleName(), QStringLiteral("Thing: Title 2"));
    }

    void destroyedWhileOpen() {
        auto* f = new Fixture;
        f->picker->setState(State::List);
        f->picker->button()->click();
        QPointer<Popover> popover = f->picker->popover();
        QVERIFY(popover->isVisible());
        delete f; // takes the open panel with it, without calling back into the picker
        QVERIFY(!popover);
    }

    void popoverStaysOnScreen_data() {
        QTest::addColumn<QPoint>("anchorAt"); // relative to the screen's available area
        QTest::addColumn<bool>("above");
        QTest::addRow("room below") << QPoint(300, 100) << false;
        QTest::addRow("no room below") << QPoint(300, -60) << true;
        QTest::addRow("at the right edge") << QPoint(-40, 100) << false;
    }

    void popoverStaysOnScreen() {
        QFETCH(QPoint, anchorAt);
        QFETCH(bool, above);
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QWidget window(nullptr, Qt::FramelessWindowHint);
        auto* anchor = new QWidget(&window);
        anchor->setGeometry(0, 0, 40, 20);
        window.resize(40, 20);
        // Negative coordinates count from the right or bottom edge.
        window.move(anchorAt.x() < 0 ? available.right() + 1 + anchorAt.x()
                                     : available.left() + anchorAt.x(),
                    anchorAt.y() < 0 ? available.bottom() + 1 + anchorAt.y()
                                     : available.top() + anchorAt.y());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Popover popover(anchor);
        auto* content = new QWidget;
        content->setFixedSize(200, 150);
        popover.setContent(content);
        popover.open();

        const QRect frame = popover.geometry();
        const QRect onScreen(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
        QVERIFY2(available.contains(frame), qPrintable(QDebug::toString(frame)));
        if (above)
            QCOMPARE(frame.bottom(), onScreen.top() - 5);
        else
            QCOMPARE(frame.top(), onScreen.bottom() + 5);
        if (anchorAt.x() >= 0) // centred on the anchor where the screen allows it
            QCOMPARE(frame.left(), onScreen.left() + onScreen.width() / 2 - frame.width() / 2);
    }
};

QTEST_MAIN(tst_ToolbarPicker)
#include "tst_ToolbarPicker.moc"
