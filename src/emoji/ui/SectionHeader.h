#pragma once

#include <QFont>
#include <QString>

class QPainter;
class QPalette;
class QRect;

// Plain painter helper (no QWidget) with which EmojiGridDelegate draws a section title of the emoji
// grid: gray text in `titleFont`, leading-aligned, eliding when the width runs out.
class SectionHeader {
public:
    SectionHeader(QString title, QFont titleFont);

    // The title-3 font of headers and the search bar: a step above the body text.
    [[nodiscard]] static QFont title3Font(const QFont& base);

    void paint(QPainter* painter, const QRect& rect, const QPalette& palette) const;
    [[nodiscard]] int height() const;

private:
    QString m_title;
    QFont m_titleFont;
};
