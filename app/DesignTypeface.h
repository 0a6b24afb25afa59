#pragma once

#include <QString>

// The typeface the window's design names. Where Arial is not installed, fontconfig's metric
// aliases give Liberation Sans (fonts-liberation), which keeps every text's width.
inline QString designFamily()
{
    return QStringLiteral("Arial");
}
