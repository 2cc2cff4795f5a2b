#include "widgets/ActivityIndicator.h"

#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <cmath>

namespace {

constexpr int spokes = 12;

} // namespace

ActivityIndicator::ActivityIndicator(QWidget* parent)
    : QWidget(parent)
    , m_animation(new QVariantAnimation(this)) {
    setAccessibleName(QStringLiteral("Loading"));
    m_animation->setStartValue(0);
    m_animation->setEndValue(spokes);
    m_animation->setDuration(1000);
    m_animation->setLoopCount(-1);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        const int step = value.toInt() % spokes;
        if (step != m_step) {
            m_step = step;
            update();
        }
    });
}

void ActivityIndicator::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_animation->start();
}

void ActivityIndicator::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_animation->stop();
}

void ActivityIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = qMin(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    const qreal outer = side / 2.0;
    const qreal inner = outer * 0.5;
    const qreal thickness = qMax(1.5, side / 11.0);
    QColor color = palette().color(QPalette::WindowText);
    for (int i = 0; i < spokes; ++i) {
        // The leading spoke is darkest; the ones behind it fade out.
        const int age = (m_step - i + spokes) % spokes;
        color.setAlphaF(1.0 - 0.75 * age / (spokes - 1));
        painter.save();
        painter.rotate(360.0 * i / spokes);
        QPen pen(color, thickness, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(pen);
        painter.drawLine(QPointF(0, -inner), QPointF(0, -outer + thickness / 2));
        painter.restore();
    }
}
