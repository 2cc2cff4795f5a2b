#include "emoji/ui/SectionHeader.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

namespace {
constexpr int padding = 6;
}

SectionHeader::SectionHeader(QString title, QFont titleFont)
    : m_title(std::move(title))
    , m_titleFont(std::move(titleFont)) {}

QFont SectionHeader::title3Font(const QFont& base) {
    QFont font(base);
    if (base.pointSizeF() > 0)
        font.setPointSizeF(base.pointSizeF() * 1.2);
    else
        font.setPixelSize(qRound(base.pixelSize() * 1.2));
    return font;
}

void SectionHeader::paint(QPainter* painter, const QRect& rect, const QPalette& palette) const {
    painter->save();
    painter->setFont(m_titleFont);
    QColor gray = palette.color(QPalette::PlaceholderText);
    if (!gray.isValid())
        gray = Qt::gray;
    painter->setPen(gray);
    const QRect textRect = rect.adjusted(padding, 0, -padding, 0);
    const QString text =
        QFontMetrics(m_titleFont).elidedText(m_title, Qt::ElideRight, textRect.width());
    painter->drawText(textRect, Qt::AlignLeading | Qt::AlignVCenter, text);
    painter->restore();
}

int SectionHeader::height() const {
    return QFontMetrics(m_titleFont).height() + 2 * padding;
}
