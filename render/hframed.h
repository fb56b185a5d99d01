#pragma once
// A framed tile: a panel holding an HTML view and a one-line title strip above it.
// The strip's caption is the document's file name; its hint collects the page title
// as the view reads the translated copy.
#include "render/thtml.h"

#include <QFrame>
#include <QLabel>
#include <QString>

namespace zv {

struct HtmlElement;

class HFramed : public QFrame {
    Q_OBJECT
public:
    HFramed(QWidget* owner, const QString& documentPath);

    const QString& documentPath() const { return m_documentPath; }
    THTML* view() const { return m_view; }
    QLabel* titleLabel() const { return m_title; }

    // Lays out the title strip along the top edge and the view in the rest.
    virtual void arrange();
    // Shows the document's file name in the title strip and `hint` as the strip's
    // hint, as reading the page does (its title elements make the hint).
    void showTitle(const QString& hint = QString());

protected:
    // A press on the panel, the strip or the view (position relative to the
    // control pressed).
    virtual void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                           QWidget* control, const QPoint& position);
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    void paintBackground(const QColor& background, const QColor& text);

private:
    void viewBeginRetrieval();
    void viewElement(zv::HtmlElement& element);

    QString m_documentPath;
    THTML* m_view;
    QLabel* m_title;
    bool m_insideTitle = false;
};

} // namespace zv
