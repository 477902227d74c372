// The widgets' looks live in the application's style sheet (resources/style/zr540.qss), which
// selects on dynamic properties: a widget's kind of look ("look") and its state ("selected",
// "changed"). Changing a state property takes effect once the style polishes the widget again.
#pragma once

#include <QStyle>
#include <QVariant>
#include <QWidget>

inline void setStyleState(QWidget* widget, const char* property, const QVariant& value)
{
    if (widget->property(property) == value)
        return;
    widget->setProperty(property, value);
    widget->style()->unpolish(widget);
    widget->style()->polish(widget);
}
