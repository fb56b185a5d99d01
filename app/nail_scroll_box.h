#pragma once
// The scroll box the tiles live in: a grey area whose content grows to hold every
// visible child placed in it, plus a margin of 5 pixels below the lowest one, so the
// vertical scroll bar reaches the last row. Presses on its empty background are
// reported, so the main window can treat them as clicks on itself.
#include <QScrollArea>

namespace zv {

class NailScrollBox : public QScrollArea {
    Q_OBJECT
public:
    explicit NailScrollBox(QWidget* parent = nullptr);

    // The widget tiles are parented to.
    QWidget* content() const { return widget(); }
    // Resizes the content to the bounding box of its visible children.
    void updateContentSize();
    int verticalPosition() const;
    void setVerticalPosition(int y);

signals:
    void backgroundClicked();
    void backgroundDoubleClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace zv
