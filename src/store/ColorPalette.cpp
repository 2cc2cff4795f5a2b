#include "store/ColorPalette.h"

namespace ColorPalette {

const QList<QRgb>& colors() {
    static const QList<QRgb> palette{
        qRgb(235, 85, 69),   qRgb(242, 164, 60),  qRgb(248, 216, 74),  qRgb(103, 206, 105),
        qRgb(137, 193, 250), qRgb(59, 130, 247),  qRgb(94, 92, 222),   qRgb(236, 93, 123),
        qRgb(201, 131, 238), qRgb(195, 167, 124), qRgb(116, 126, 134), qRgb(227, 183, 176),
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

int indexOf(QRgb rgba) {
    return int(colors().indexOf(rgba));
}

} // namespace ColorPalette
