#include "search/radio_group.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

namespace zv {

RadioGroup::RadioGroup(const QString& title, const QStringList& items, QWidget* parent)
    : QGroupBox(title, parent)
    , m_group(new QButtonGroup(this))
    , m_grid(new QGridLayout(this))
{
    // Checked state is kept by m_index; the button group only reports clicks.
    m_group->setExclusive(false);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        b->setAutoExclusive(false);
        m_group->addButton(b, i);
        m_grid->addWidget(b, i, 0);
        m_buttons.append(b);
    }
    m_grid->setColumnStretch(0, 1);
    connect(m_group, &QButtonGroup::idClicked, this, &RadioGroup::buttonClicked);
}

QStringList RadioGroup::items() const
{
    QStringList texts;
    for (const QRadioButton* b : m_buttons)
        texts << b->text();
    return texts;
}

void RadioGroup::setItemIndex(int index)
{
    if (index < 0 || index >= count())
        index = -1;
    for (int i = 0; i < count(); ++i)
        m_buttons[i]->setChecked(i == index);
    if (index == m_index)
        return;
    m_index = index;
    emit Click();
}

void RadioGroup::buttonClicked(int index)
{
    // A click on the checked item leaves it checked, as with any radio button.
    m_buttons[index]->setChecked(true);
    setItemIndex(index);
}

} // namespace zv
