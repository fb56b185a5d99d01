#pragma once
// The main window's status bar: four panels of fixed width (100, 50, 350, 50) and a
// single-panel text that receives the application's current hint. The bar stays in
// its four-panel mode, so the single-panel text is kept but not drawn over them.
#include <QFrame>
#include <QLabel>
#include <QString>
#include <array>

namespace zv {

class StatusPanels : public QFrame {
    Q_OBJECT
public:
    explicit StatusPanels(QWidget* parent = nullptr);

    void setPanelText(int index, const QString& text);
    QString panelText(int index) const;
    QLabel* panel(int index) const { return m_panels.at(index); }
    static constexpr int kPanelCount = 4;

    void setSimpleText(const QString& text) { m_simpleText = text; }
    const QString& simpleText() const { return m_simpleText; }

private:
    std::array<QLabel*, kPanelCount> m_panels{};
    QString m_simpleText;
};

} // namespace zv
