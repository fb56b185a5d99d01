#pragma once
// A titled group of radio buttons with one index for the chosen item (-1: none),
// the way the dialogs' radio groups are used: the index is read and set by the
// program, and both a click on an item and a change of the index by the program
// report Click, so handlers that tie two groups together see every change.
#include <QGroupBox>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

namespace zv {

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);

    int ItemIndex() const { return m_index; }
    // Checks item `index` (-1 or out of range: none) and reports Click when the
    // index changed.
    void setItemIndex(int index);

    int count() const { return int(m_buttons.size()); }
    QStringList items() const;
    QRadioButton* button(int index) const { return m_buttons.value(index); }
    // Item i sits in row i, column 0; other controls may go beside an item.
    QGridLayout* grid() const { return m_grid; }

signals:
    void Click();

private:
    void buttonClicked(int index);

    QButtonGroup* m_group;
    QGridLayout* m_grid;
    QList<QRadioButton*> m_buttons;
    int m_index = -1;
};

} // namespace zv
