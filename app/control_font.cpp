#include "control_font.h"

QFont controlFont()
{
    // The layout is fixed in pixels and was drawn for a small, narrow face. An Arial-metric face
    // (Liberation Sans where Arial is missing), 10 pixels high whatever the screen's dots per
    // inch, holds every caption; the toolkit's usual face and size would cut them off.
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(10);
    return font;
}
