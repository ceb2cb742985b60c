#include "colors.h"
#include "errors.h"
#include "text.h"

namespace
{

struct Named {
    const char *name;
    ColorCode code;
    quint32 rgb; // for desktop element colours: how this program paints them
};

constexpr ColorCode sys(int n)
{
    return 0xFF000000u | ColorCode(n);
}

// Plain colours: code = 0x00BBGGRR, painted as is (rgb unused).
// Where two names share a value, the first one is written.
constexpr Named names[] = {
    {"clBlack", 0x000000, 0},
    {"clMaroon", 0x000080, 0},
    {"clGreen", 0x008000, 0},
    {"clOlive", 0x008080, 0},
    {"clNavy", 0x800000, 0},
    {"clPurple", 0x800080, 0},
    {"clTeal", 0x808000, 0},
    {"clGray", 0x808080, 0},
    {"clSilver", 0xC0C0C0, 0},
    {"clRed", 0x0000FF, 0},
    {"clLime", 0x00FF00, 0},
    {"clYellow", 0x00FFFF, 0},
    {"clBlue", 0xFF0000, 0},
    {"clFuchsia", 0xFF00FF, 0},
    {"clAqua", 0xFFFF00, 0},
    {"clWhite", 0xFFFFFF, 0},
    {"clMoneyGreen", 0xC0DCC0, 0},
    {"clSkyBlue", 0xF0CAA6, 0},
    {"clCream", 0xF0FBFF, 0},
    {"clMedGray", 0xA4A0A0, 0},
    {"clLtGray", 0xC0C0C0, 0},
    {"clDkGray", 0x808080, 0},
    {"clScrollBar", sys(0), 0xC8C8C8},
    {"clBackground", sys(1), 0x3A6EA5},
    {"clActiveCaption", sys(2), 0x99B4D1},
    {"clInactiveCaption", sys(3), 0xBFCDDB},
    {"clMenu", sys(4), 0xF0F0F0},
    {"clWindow", sys(5), 0xFFFFFF},
    {"clWindowFrame", sys(6), 0x646464},
    {"clMenuText", sys(7), 0x000000},
    {"clWindowText", sys(8), 0x000000},
    {"clCaptionText", sys(9), 0x000000},
    {"clActiveBorder", sys(10), 0xB4B4B4},
    {"clInactiveBorder", sys(11), 0xF4F7FC},
    {"clAppWorkSpace", sys(12), 0xABABAB},
    {"clHighlight", sys(13), 0x3399FF},
    {"clHighlightText", sys(14), 0xFFFFFF},
    {"clBtnFace", sys(15), 0xF0F0F0},
    {"clBtnShadow", sys(16), 0xA0A0A0},
    {"clGrayText", sys(17), 0x6D6D6D},
    {"clBtnText", sys(18), 0x000000},
    {"clInactiveCaptionText", sys(19), 0x434E54},
    {"clBtnHighlight", sys(20), 0xFFFFFF},
    {"cl3DDkShadow", sys(21), 0x696969},
    {"cl3DLight", sys(22), 0xE3E3E3},
    {"clInfoText", sys(23), 0x000000},
    {"clInfoBk", sys(24), 0xFFFFE1},
    {"clHotLight", sys(26), 0x0066CC},
    {"clGradientActiveCaption", sys(27), 0xB9D1EA},
    {"clGradientInactiveCaption", sys(28), 0xD7E4F2},
    {"clMenuHighlight", sys(29), 0x3399FF},
    {"clMenuBar", sys(30), 0xF0F0F0},
};

bool isSystem(ColorCode c)
{
    return (c & 0xFF000000u) == 0xFF000000u;
}

quint32 swapRB(quint32 v)
{
    return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

} // namespace

std::optional<ColorCode> colorFromName(const QString &name)
{
    const QString t = trimmed(name);
    if (t.isEmpty())
        return std::nullopt;
    for (const Named &n : names)
        if (t.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0)
            return n.code;
    bool ok = false;
    qint64 v = 0;
    if (t.startsWith(u'$')) {
        const QString hex = t.mid(1);
        if (hex.isEmpty() || hex.size() > 8)
            return std::nullopt;
        v = qint64(hex.toULongLong(&ok, 16));
    } else {
        v = t.toLongLong(&ok, 10);
        ok = ok && v >= INT32_MIN && v <= qint64(UINT32_MAX);
    }
    if (!ok)
        return std::nullopt;
    return ColorCode(quint32(v));
}

ColorCode colorFromNameOrThrow(const QString &name)
{
    auto c = colorFromName(name);
    if (!c)
        throw TrivoError(notAnIntegerText(name));
    return *c;
}

QString colorToName(ColorCode c)
{
    for (const Named &n : names)
        if (n.code == c)
            return QLatin1String(n.name);
    return QStringLiteral("$%1").arg(c, 8, 16, QLatin1Char('0')).toUpper();
}

quint32 colorToRgb(ColorCode c)
{
    if (isSystem(c)) {
        for (const Named &n : names)
            if (n.code == c)
                return n.rgb;
        return 0xF0F0F0; // an element colour this program does not know: a neutral face
    }
    return swapRB(c & 0xFFFFFFu);
}

ColorCode colorFromRgb(quint32 rgb)
{
    return swapRB(rgb & 0xFFFFFFu);
}
