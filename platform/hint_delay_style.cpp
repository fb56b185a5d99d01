#include "platform/hint_delay_style.h"

namespace zv {

HintDelayStyle::HintDelayStyle(int delayMs)
    : m_delayMs(delayMs)
{
}

int HintDelayStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                              QStyleHintReturn* returnData) const
{
    if (hint == SH_ToolTip_WakeUpDelay)
        return m_delayMs;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

} // namespace zv
