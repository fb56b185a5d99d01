#pragma once
// The cache build progress window, which doubles as the start-up picture: on screen
// from before the main window is shown until the start-up cache work is done. Its two
// reporters, without cancel buttons, are the ones the cache readers report through:
// "cache" (folders read) and "database" (records written).
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QString>
#include <QWidget>

namespace zv {

class ProgBar;

class TQuellbrook : public QWidget {
    Q_OBJECT
public:
    // The start-up picture "quellbrook.png" is taken from `homeFolder`; without it
    // the picture area stays empty.
    explicit TQuellbrook(const QString& homeFolder, QWidget* parent = nullptr);

    ProgBar& cacheProgress() const { return *m_cacheProgress; }
    ProgBar& databaseProgress() const { return *m_databaseProgress; }

    // Centres the window on the screen it is on (the designed position).
    void centreOnScreen();

    QFrame* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label2 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* Label3 = nullptr;
    QProgressBar* ProgressBar2 = nullptr;

private:
    ProgBar* m_cacheProgress = nullptr;
    ProgBar* m_databaseProgress = nullptr;
};

} // namespace zv
