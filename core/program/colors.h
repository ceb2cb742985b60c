#pragma once
#include <QString>
#include <optional>

// Colours as the settings files name them. A colour is a 32-bit code: plain
// colours are 0x00BBGGRR; desktop element colours (clBtnFace, clInfoBk, ...)
// carry 0xFF in the high byte and an element number below, so that they keep
// their names when written back.
using ColorCode = quint32;

// "clRed", "clGradientActiveCaption", "$000000FF" or a decimal number, blanks trimmed.
std::optional<ColorCode> colorFromName(const QString &name);
// Same; a text that is no colour raises "'%s' is not a valid integer value".
ColorCode colorFromNameOrThrow(const QString &name);
// The identifier when the colour has one, otherwise "$" and eight hex digits.
QString colorToName(ColorCode c);
// 0x00RRGGBB for painting: plain colours as they are, desktop element colours
// by the program's own palette of them.
quint32 colorToRgb(ColorCode c);
// The colour code of a painted 0x00RRGGBB value.
ColorCode colorFromRgb(quint32 rgb);
