#include "store/ColorPalette.h"

namespace ColorPalette {

const QList<QColor>& colors() {
    static const QList<QColor> palette{
        QColor(235, 85, 69),   QColor(242, 164, 60),  QColor(248, 216, 74),  QColor(103, 206, 105),
        QColor(137, 193, 250), QColor(59, 130, 247),  QColor(94, 92, 222),   QColor(236, 93, 123),
        QColor(201, 131, 238), QColor(195, 167, 124), QColor(116, 126, 134), QColor(227, 183, 176),
    };
    return palette;
}

const QStringList& names() {
    static const QStringList names{
        QStringLiteral("Red"),    QStringLiteral("Orange"),     QStringLiteral("Yellow"),
        QStringLiteral("Green"),  QStringLiteral("Light Blue"), QStringLiteral("Blue"),
        QStringLiteral("Indigo"), QStringLiteral("Pink"),       QStringLiteral("Purple"),
        QStringLiteral("Brown"),  QStringLiteral("Gray"),       QStringLiteral("Rose"),
    };
    return names;
}

int indexOf(const QColor& color) {
    const QColor rgb = color.toRgb();
    return int(colors().indexOf(QColor(rgb.red(), rgb.green(), rgb.blue(), rgb.alpha())));
}

} // namespace ColorPalette
