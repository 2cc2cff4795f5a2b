#include "emoji/EmojiFont.h"

#include <QFontInfo>
#include <QTest>

class tst_EmojiFont : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void choosesFirstInstalledFamily_data() {
        QTest::addColumn<QStringList>("installed"); // as the font database lists them
        QTest::addColumn<QString>("chosen");        // empty: the platform's default font
        QTest::addRow("a Mac's, before the other one installed")
            << QStringList{"Noto Color Emoji", "Helvetica", "Apple Color Emoji"}
            << "Apple Color Emoji";
        QTest::addRow("Linux's") << QStringList{"DejaVu Sans", "Noto Color Emoji"}
                                 << "Noto Color Emoji";
        QTest::addRow("two foundries: the name with its foundry")
            << QStringList{"Noto Color Emoji [GOOG]", "Noto Color Emoji [Other]"}
            << "Noto Color Emoji [GOOG]";
        QTest::addRow("written in another case")
            << QStringList{"noto color emoji"} << "noto color emoji";
        QTest::addRow("a longer name is another font")
            << QStringList{"Noto Color Emoji Compat", "Apple Color Emoji Legacy"} << "";
        QTest::addRow("no colour emoji font") << QStringList{"DejaVu Sans", "Noto Emoji"} << "";
        QTest::addRow("no font at all") << QStringList{} << "";
    }

    void choosesFirstInstalledFamily() {
        QFETCH(QStringList, installed);
        QFETCH(QString, chosen);
        QCOMPARE(EmojiFont::chooseFamily(installed), chosen);
    }

    // The name chosen must be one the text engine resolves to that font, foundry and all.
    void drawsWithChosenFamily() {
        const QString chosen = EmojiFont::family();
        if (chosen.isEmpty())
            QSKIP("no colour emoji font is installed here");
        const QFont font = EmojiFont::font(20);
        QVERIFY(font.styleStrategy() & QFont::NoFontMerging);
        QCOMPARE(QFontInfo(font).family(), chosen.left(chosen.indexOf(QStringLiteral(" ["))));
    }
};

QTEST_MAIN(tst_EmojiFont)
#include "tst_EmojiFont.moc"
