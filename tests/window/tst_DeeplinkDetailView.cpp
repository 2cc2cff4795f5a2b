#include "ExactUrls.h"
#include "FindChild.h"
#include "StoreBuilders.h"
#include "StoreFile.h"

#include "exchange/CoreDataObjectSerialiser.h"
#include "platform/AppSettings.h"
#include "store/VariableSettings.h"
#include "window/ui/DeeplinkDetailView.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextCharFormat>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

using namespace StoreBuilders;

namespace {

const QString example = QStringLiteral("scheme://basepath/path?query=value");

// A store holding one deeplink to edit.
struct EditorFixture : Store {
    explicit EditorFixture(const QString& url, const QString& title = QStringLiteral("Open"))
        : deeplink(Store::deeplink(collection("c"), title, url)) {}

    Deeplink* deeplink;
};

// Replaces the field's text the way a user does: select all, then type (or delete).
void retype(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    for (const QChar c : text) {
        // keyClicks takes Latin-1 only; other letters arrive as a key event carrying the text.
        if (c.unicode() < 0x80)
            QTest::keyClick(edit, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void finishEditing(QLineEdit* edit) {
    QTest::keyClick(edit, Qt::Key_Return);
}

// The editor's line edit `name`: "title", "url", a component ("host", "port", …), or a cell of
// the parameter table ("keyRow1", "valueRow1", …).
QLineEdit* field(const DeeplinkDetailView& view, const char* name) {
    return child<QLineEdit>(&view, name);
}

// "name=value" per parameter row.
QStringList cellTexts(const DeeplinkDetailView& view) {
    QStringList texts;
    for (qsizetype id = 1; id <= view.rows().size(); ++id) {
        texts << child<QLineEdit>(&view, QStringLiteral("keyRow%1").arg(id))->text() + u'=' +
                     child<QLineEdit>(&view, QStringLiteral("valueRow%1").arg(id))->text();
    }
    return texts;
}

// A window holding the editor below another text field, as the editor sits in the main window.
struct Window {
    QWidget widget;
    QLineEdit* outside = new QLineEdit(&widget);
    DeeplinkDetailView* view = nullptr;

    explicit Window(Deeplink* deeplink) {
        auto* layout = new QVBoxLayout(&widget);
        layout->addWidget(outside);
        view = new DeeplinkDetailView(deeplink, &widget);
        view->hide();
        layout->addWidget(view);
        widget.resize(300, 640);
    }
};

// The spans of a line edit's text given a background by the last text formats it received,
// as "start+length".
struct FormatSpy : QObject {
    QStringList spans;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::InputMethod)
            return false;
        const int cursor = static_cast<QLineEdit*>(watched)->cursorPosition();
        spans.clear();
        for (const auto& a : static_cast<QInputMethodEvent*>(event)->attributes()) {
            const QTextFormat format = a.value.value<QTextFormat>();
            if (a.type == QInputMethodEvent::TextFormat && format.background().color().alpha())
                spans << QStringLiteral("%1+%2").arg(a.start + cursor).arg(a.length);
        }
        return false;
    }
};

} // namespace

class tst_DeeplinkDetailView : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void otherFieldsFollowEveryKeystroke() {
        EditorFixture f(example);
        DeeplinkDetailView view(f.deeplink);
        QCOMPARE(field(view, "host")->text(), QStringLiteral("basepath"));
        QCOMPARE(cellTexts(view), QStringList{"query=value"});

        QLineEdit* port = field(view, "port");
        QTest::keyClicks(port, QStringLiteral("80"));
        QCOMPARE(field(view, "url")->text(),
                 QStringLiteral("scheme://basepath:80/path?query=value"));
        // "-" alone is no integer and removes the port on the way; "-5" is then not stored. While
        // typing the field keeps the user's text; leaving it shows what was stored.
        retype(port, QStringLiteral("-5"));
        QCOMPARE(f.deeplink->urlString(), example);
        QCOMPARE(port->text(), QStringLiteral("-5"));
        finishEditing(port);
        QCOMPARE(port->text(), QString());
        retype(field(view, "url"), QStringLiteral("app://h?a=1&b=2"));
        QCOMPARE(field(view, "host")->text(), QStringLiteral("h"));
        QCOMPARE(field(view, "port")->text(), QString());
        QCOMPARE(cellTexts(view), (QStringList{"a=1", "b=2"}));
        retype(field(view, "title"), QString());
        QCOMPARE(f.deeplink->title(), QStringLiteral(""));
        QVERIFY(!f.deeplink->title().isNull());
    }

    void editsParameterRows() {
        EditorFixture f(QStringLiteral("s://h?a=1&b=2"));
        DeeplinkDetailView view(f.deeplink);
        auto* plus = child<QToolButton>(&view, "plus");
        auto* minus = child<QToolButton>(&view, "minus");
        QLineEdit* name = field(view, "keyRow1");

        // Retyping a name must not rename the next parameter on the way.
        retype(name, QString());
        QCOMPARE(f.deeplink->urlString(), QStringLiteral("s://h?a=1&b=2"));
        QTest::keyClicks(name, QStringLiteral("z"));
        QCOMPARE(f.deeplink->urlString(), QStringLiteral("s://h?z=1&b=2"));

        // The cleared name goes once the cell is left.
        retype(name, QString());
        finishEditing(name);
        QCOMPARE(f.deeplink->urlString(), QStringLiteral("s://h?b=2"));
        QCOMPARE(cellTexts(view), QStringList{"b=2"});

        // A cleared name is also dropped when "plus" is used straight away.
        retype(field(view, "keyRow1"), QString());
        QTest::mouseClick(plus, Qt::LeftButton);
        QCOMPARE(f.deeplink->urlString(), QStringLiteral("s://h?key1=value"));
        QCOMPARE(cellTexts(view), QStringList{"key1=value"});

        QTest::mouseClick(minus, Qt::LeftButton);
        QCOMPARE(f.deeplink->urlString(), QStringLiteral("s://h?"));
        // The cell stays for reuse, hidden.
        auto* gone = view.findChild<QLineEdit*>(QStringLiteral("keyRow1"));
        QVERIFY(!gone || gone->isHidden());
        QVERIFY(!minus->isEnabled());
    }

    void focusFollowsTheEditing_data() {
        QTest::addColumn<QString>("title");
        QTest::addRow("new deeplink") << "Title";
        QTest::addRow("lower case") << "title";
    }
    void focusFollowsTheEditing() {
        QFETCH(QString, title);
        EditorFixture f(example, title);
        Window window(f.deeplink);
        window.widget.show();
        QVERIFY(QTest::qWaitForWindowActive(&window.widget));
        window.outside->setFocus();

        // Only a deeplink still titled exactly "Title" (just added) takes the focus when shown.
        window.view->show();
        if (title != u"Title") {
            QCOMPARE(QApplication::focusWidget(), window.outside);
            return;
        }
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Home"));
        QCOMPARE(f.deeplink->title(), QStringLiteral("Home"));

        // The cursor sits in the new name with the generated text selected, ready to be typed over.
        window.view->addRow();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("page"));
        QCOMPARE(f.deeplink->urlString(),
                 QStringLiteral("scheme://basepath/path?query=value&page=value"));

        window.view->setFocusedReminder(Focusable{Focusable::Kind::ValueRow, 2});
        window.view->removeLastRow();
        QCOMPARE(f.deeplink->urlString(), example);
        QCOMPARE(window.view->focusedReminder(), (Focusable{Focusable::Kind::ValueRow, 1}));
    }

    // Each placeholder of the URL field has a background, as typed and as stored; the field
    // edits and undoes as before.
    void highlightsPlaceholders() {
        EditorFixture f(QStringLiteral("app://{{host}}/x"));
        DeeplinkDetailView view(f.deeplink);
        QLineEdit* url = field(view, "url");
        FormatSpy spy;
        url->installEventFilter(&spy);
        url->setText(QStringLiteral("{{s}}://h/{{{id}}}?{{ no }}"));
        QCOMPARE(spy.spans, (QStringList{"0+5", "11+6"}));
        url->setCursorPosition(0);
        QTest::keyClick(url, 'a');
        QCOMPARE(url->text(), QStringLiteral("a{{s}}://h/{{{id}}}?{{ no }}"));
        QCOMPARE(spy.spans, (QStringList{"1+5", "12+6"}));
        QCOMPARE(url->cursorPosition(), 1);
        url->undo();
        QCOMPARE(url->text(), QStringLiteral("{{s}}://h/{{{id}}}?{{ no }}"));
        retype(url, QStringLiteral("x:y"));
        QCOMPARE(spy.spans, QStringList());
    }

    // Under the URL field: what the URL fires with the active environment and the global
    // variables, which ones have no value, or why the values cannot stand there.
    void previewsWhatFires() {
        EditorFixture f(QStringLiteral("app://{{host}}/item/{{id}}"));
        DeeplinkCollection* collection = f.deeplink->deeplinkCollection();
        const QList<Environment> environments{
            {QStringLiteral("Staging"),
             {{QStringLiteral("host"), QStringLiteral("staging.x.com")}}},
            {QStringLiteral("Bad"), {{QStringLiteral("host"), QStringLiteral("a/b")}}}};
        collection->setEnvironments(environments);
        collection->setActiveEnvironment(QStringLiteral("Staging"));
        const auto setGlobals = [](const QList<Variable>& globals) {
            VariableSettings::setGlobals(*AppSettings::standard(), globals);
        };
        setGlobals({{QStringLiteral("id"), QStringLiteral("a b"), false}});
        Window window(f.deeplink);
        window.view->show();
        window.widget.show();
        DeeplinkDetailView& view = *window.view;
        auto* line = child<QLabel>(&view, "urlPreview");
        QVERIFY(line->isVisible());
        QCOMPARE(view.preview(), QStringLiteral("Fires: app://staging.x.com/item/a%20b"));
        QCOMPARE(line->accessibleName(), view.preview());

        // Another environment made active, in the header or elsewhere.
        collection->setActiveEnvironment(QStringLiteral("Bad"));
        QCOMPARE(
            view.preview(),
            QStringLiteral("{{host}} holds \u201ca/b\u201d, which cannot stand in a URL\u2019s "
                           "host."));

        // Preferences changed while the window was in the background.
        setGlobals({});
        QVERIFY(view.preview().startsWith(QStringLiteral("{{host}} holds")));
        QEvent activation(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&view, &activation);
        QCOMPARE(view.preview(), QStringLiteral("No value for {{id}}."));
        setGlobals({{QStringLiteral("id"), QStringLiteral("1"), false}});
        collection->setActiveEnvironment(QStringLiteral("Staging"));
        view.hide();
        view.show();
        QCOMPARE(view.preview(), QStringLiteral("Fires: app://staging.x.com/item/1"));

        // Long: elided in the middle to the field's width, whole in the tooltip.
        retype(field(view, "url"), QStringLiteral("app://{{host}}/") + QString(200, u'p'));
        QVERIFY(view.preview().endsWith(QString(200, u'p')));
        QTRY_VERIFY(line->text().contains(QChar(0x2026)));
        QVERIFY(line->text().startsWith(QStringLiteral("Fires: app://")));
        QCOMPARE(line->toolTip(), view.preview());

        // No placeholder, or text that is no URL: nothing to preview.
        for (const QString& typed : {QStringLiteral("app://x"), QStringLiteral("{{id}} no URL")}) {
            retype(field(view, "url"), typed);
            QCOMPARE(view.preview(), QString());
            QVERIFY(!line->isVisible());
        }
    }

    void savesWhenLeft() {
        EditorFixture f(QStringLiteral("s://h?a=1&b=2"));
        QCOMPARE(f.context.save().kind, SaveOutcome::Kind::Saved);

        auto view = std::make_unique<DeeplinkDetailView>(f.deeplink);
        view->show();
        QTest::keyClicks(field(*view, "title"), QStringLiteral("!"));
        QVERIFY(f.context.hasChanges());
        view->hide();
        QTRY_VERIFY(!f.context.hasChanges());

        view->show();
        // A name left empty when the editor goes away is dropped, and that is saved too.
        retype(field(*view, "keyRow1"), QString());
        QVERIFY(!f.context.hasChanges());
        view.reset();
        QCOMPARE(f.deeplink->urlString(), QStringLiteral("s://h?b=2"));
        QTRY_VERIFY(!f.context.hasChanges());
    }

    void survivesDeletionOfItsDeeplink() {
        EditorFixture f(example);
        QCOMPARE(f.context.save().kind, SaveOutcome::Kind::Saved);
        DeeplinkDetailView view(f.deeplink);
        view.show();

        f.context.deleteObject(f.deeplink);
        QVERIFY(!field(view, "host")->isEnabled());

        QCOMPARE(f.context.save().kind, SaveOutcome::Kind::Saved);
        QTRY_VERIFY(!view.deeplink());
        view.addRow();
        view.removeLastRow();
        QTest::keyClicks(field(view, "title"), QStringLiteral("x"));
        QCOMPARE(field(view, "url")->text(), QString());
        QVERIFY(!f.context.hasChanges());
    }

    // What the user types is what the field shows, what the store file keeps, what an export
    // writes, and what an import of either text stores, byte for byte.
    void keepsTypedUrlExactly_data() { ExactUrls::addRows(); }
    void keepsTypedUrlExactly() {
        QFETCH(QString, typed);
        QFETCH(QString, exact);
        QFETCH(QString, pathTyped);
        TestEnvironment env;
        StoreFile store(env);
        ManagedObjectContext* context = store.context();
        QVERIFY(context);
        fill(*context, {"c/Open"});
        Deeplink* deeplink = context->deeplinks().front();
        {
            DeeplinkDetailView view(deeplink);
            QLineEdit* url = field(view, "url");
            retype(url, typed);
            finishEditing(url);
            QCOMPARE(url->text(), exact);
        }
        QCOMPARE(deeplink->urlString(), exact);
        QCOMPARE(context->save().kind, SaveOutcome::Kind::Saved);
        context = store.reopen();
        QVERIFY(context);
        QCOMPARE(context->deeplinks().front()->urlString(), exact);

        const QByteArray file =
            CoreDataObjectSerialiser::record(*context->collections().front()).encoded();
        QVERIFY2(file.contains("\"url\" : \"" + exact.toUtf8() + '"'), file.constData());
        const QByteArray typedFile = "{\"deeplinks\": [{\"url\": \"" + typed.toUtf8() + "\"}]}";
        ManagedObjectContext target;
        const auto imported = CoreDataObjectSerialiser::collections({file, typedFile}, target,
                                                                    [] { return qRgb(0, 0, 0); });
        QVERIFY(imported);
        QCOMPARE(imported->size(), 2);
        for (const DeeplinkCollection* collection : *imported)
            QCOMPARE(collection->deeplinks().front()->urlString(), exact);

        // A key typed into a component changes that key alone; the rest keeps its bytes.
        DeeplinkDetailView view(context->deeplinks().front());
        QLineEdit* path = field(view, "path");
        QTest::keyClick(path, Qt::Key_End);
        QTest::keyClick(path, 'Y');
        QCOMPARE(context->deeplinks().front()->urlString(), pathTyped);
    }
};

QTEST_MAIN(tst_DeeplinkDetailView)
#include "tst_DeeplinkDetailView.moc"
