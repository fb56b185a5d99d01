#pragma once
// "Please Wait...": the notice shown while a document is loaded for the zoomed view.
// Its first paint ends the modal showing; as the showing ends, while the notice is
// still on screen, the "show document" step runs once with the zoom target's path,
// so "Zooming..." stays visible for as long as the loading takes.
//
// The zoom target is held as the tile's document path and the step as a callback,
// so this window needs nothing from the tiles themselves.
#include <QDialog>
#include <QString>
#include <functional>

class QLabel;

namespace zv {

class TFormModal : public QDialog {
    Q_OBJECT
public:
    using ShowDocument = std::function<void(const QString& documentPath)>;

    explicit TFormModal(QWidget* parent = nullptr);

    void setShowDocument(ShowDocument step) { m_showDocument = std::move(step); }

    // Stores the target and re-arms the one-shot loading.
    void SetZoomTarget(const QString& documentPath);
    // On every paint: the modal result becomes OK, so the showing ends right after
    // the window has been drawn.
    void FormPaint();
    // When the window loses activation (or its showing ends): runs the show
    // document step once per target.
    void FormDeactivate();

    void done(int result) override;

    QString ZoomTarget;
    bool ZoomStarted = false;
    QLabel* Panel1; // "Zooming..."

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    ShowDocument m_showDocument;
    bool m_endQueued = false;
};

} // namespace zv
