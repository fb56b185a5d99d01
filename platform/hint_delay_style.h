#pragma once
// The desktop's own style with one change: the delay before a hint (tool tip) is
// shown, which the program sets to 1 ms for the whole application.
#include <QProxyStyle>

namespace zv {

class HintDelayStyle : public QProxyStyle {
    Q_OBJECT
public:
    explicit HintDelayStyle(int delayMs);
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;

private:
    int m_delayMs;
};

} // namespace zv
