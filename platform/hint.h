#pragma once
// A control's hint: shown as its tool tip and routed to the status bar as a status tip.
#include <QString>
#include <QWidget>

namespace zv {

inline void setHint(QWidget* w, const QString& hint)
{
    w->setToolTip(hint);
    w->setStatusTip(hint);
}

} // namespace zv
