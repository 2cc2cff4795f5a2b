#include "platform/SymbolImage.h"

#include <QFile>
#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>
#include <QPixmapCache>
#include <QSvgRenderer>

namespace {

QString pathFor(const QString& name) {
    const QString path = QStringLiteral(":/symbols/%1.svg").arg(name);
    return QFile::exists(path) ? path : QStringLiteral(":/symbols/questionmark.svg");
}

// Rows and pickers ask for the same few symbols on every paint; each is parsed and drawn once.
QPixmap render(const QString& name, QSize size, const QColor& color, qreal ratio) {
    const QString key = QStringLiteral("SymbolImage|%1|%2x%3|%4|%5")
                            .arg(name)
                            .arg(size.width())
                            .arg(size.height())
                            .arg(quint64(color.rgba64()))
                            .arg(ratio);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    pixmap = QPixmap(size * ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(pathFor(name));
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        // Keep the symbol's aspect ratio inside the square.
        QSizeF drawn = renderer.defaultSize();
        drawn.scale(QSizeF(pixmap.size()), Qt::KeepAspectRatio);
        const QRectF target((pixmap.width() - drawn.width()) / 2,
                            (pixmap.height() - drawn.height()) / 2, drawn.width(), drawn.height());
        renderer.render(&painter, target);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(pixmap.rect(), color);
    }
    pixmap.setDevicePixelRatio(ratio);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QColor defaultColor() {
    return QGuiApplication::palette().color(QPalette::WindowText);
}

class SymbolIconEngine : public QIconEngine {
public:
    SymbolIconEngine(QString name, QColor color)
        : m_name(std::move(name))
        , m_color(std::move(color)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        painter->drawPixmap(
            rect, pixmapFor(rect.size(), mode, state, SymbolImage::devicePixelRatio(painter)));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return pixmapFor(size, mode, state, 1.0);
    }

    QIconEngine* clone() const override { return new SymbolIconEngine(m_name, m_color); }

private:
    QPixmap pixmapFor(const QSize& size, QIcon::Mode mode, QIcon::State, qreal ratio) const {
        QColor color = m_color.isValid() ? m_color : defaultColor();
        if (mode == QIcon::Disabled)
            color.setAlphaF(color.alphaF() * 0.4);
        return render(m_name, size, color, ratio);
    }

    QString m_name;
    QColor m_color;
};

} // namespace

namespace SymbolImage {

bool exists(const QString& name) {
    return QFile::exists(QStringLiteral(":/symbols/%1.svg").arg(name));
}

qreal devicePixelRatio(const QPainter* painter) {
    return painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
}

QPixmap pixmap(const QString& name, int size, const QColor& color, qreal devicePixelRatio) {
    return render(name, QSize(size, size), color.isValid() ? color : defaultColor(),
                  devicePixelRatio);
}

QIcon icon(const QString& name, const QColor& color) {
    return QIcon(new SymbolIconEngine(name, color));
}

} // namespace SymbolImage
