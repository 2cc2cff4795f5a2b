#include "FindChild.h"
#include "QrScanner.h"

#include "window/ui/QrCodeDialog.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

class tst_QrCodeDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The code is big enough for a phone's camera and Copy puts a PNG of it on the clipboard,
    // which reads back to the URL. Every control can be told apart by a screen reader.
    void showsAndCopiesTheCode() {
        if (!QrScanner::available())
            QSKIP("zbarimg is not installed (Debian package zbar-tools)");
        const QString url = QStringLiteral("shop://item/42?a=1&b=%20") + QString(200, u'x');
        QrCodeDialog dialog(url);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPixmap code = child<QLabel>(&dialog, "code")->pixmap();
        const int side = QrCode::encode(url)->size() + 2 * QrCode::quietZone;
        const qreal shown = code.width() / code.devicePixelRatio();
        QCOMPARE_GE(shown, 300);
        QCOMPARE_GE(shown / side, 6);
        QCOMPARE(code.width() % side, 0); // whole pixels per module: no smoothing
        QCOMPARE(QrScanner::read(code.toImage()), url.toUtf8());
        auto* text = child<QLabel>(&dialog, "url");
        QVERIFY2(text->text().contains(u'\u2026'), qPrintable(text->text())); // elided
        QVERIFY(text->text().startsWith(QStringLiteral("shop://item/42")));
        QCOMPARE(text->accessibleDescription(), url);
        for (const QWidget* control : dialog.findChildren<QWidget*>()) {
            if (control->isVisible() && control->focusPolicy() != Qt::NoFocus)
                QVERIFY2(!QAccessible::queryAccessibleInterface(const_cast<QWidget*>(control))
                              ->text(QAccessible::Name)
                              .isEmpty(),
                         control->metaObject()->className());
        }

        QGuiApplication::clipboard()->clear();
        child<QPushButton>(&dialog, "copy")->click();
        const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
        QVERIFY(copied && copied->hasImage());
        QImage png;
        QVERIFY(png.loadFromData(copied->data(QStringLiteral("image/png")), "png"));
        QCOMPARE(QrScanner::read(png), url.toUtf8());

        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
    }

    void showsWhyThereIsNoCode() {
        const QString url = QStringLiteral("shop://x?q=") + QString(3000, u'a');
        QrCodeDialog dialog(url);
        QVERIFY(!dialog.findChild<QLabel*>(QStringLiteral("code")));
        QVERIFY(child<QLabel>(&dialog, "error")->text().contains(u"too long for a QR code"));
        QVERIFY(!child<QPushButton>(&dialog, "copy")->isEnabled());
        // The URL is still there, elided to the dialog's width.
        QCOMPARE_LT(child<QLabel>(&dialog, "url")->sizeHint().width(), 400);
    }
};

QTEST_MAIN(tst_QrCodeDialog)
#include "tst_QrCodeDialog.moc"
