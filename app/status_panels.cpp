#include "app/status_panels.h"

#include <QHBoxLayout>

namespace zv {

StatusPanels::StatusPanels(QWidget* parent)
    : QFrame(parent)
{
    static constexpr int kWidths[kPanelCount] = {100, 50, 350, 50};
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (int i = 0; i < kPanelCount; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("Panel%1").arg(i));
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setFixedWidth(kWidths[i]);
        label->setContentsMargins(3, 0, 3, 0);
        layout->addWidget(label);
        m_panels[i] = label;
    }
    layout->addStretch(1);
    setFixedHeight(18);
}

void StatusPanels::setPanelText(int index, const QString& text)
{
    m_panels.at(index)->setText(text);
}

QString StatusPanels::panelText(int index) const
{
    return m_panels.at(index)->text();
}

} // namespace zv
