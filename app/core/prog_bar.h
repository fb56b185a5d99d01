#pragma once
// The progress reporter every long job reports through. It binds a progress bar, a
// caption label and an optional cancel button that sit on one window. Each Step
// lets pending window messages run, so the window stays alive and the cancel button
// can be pressed, and tells the job whether to go on.
#include <QAbstractButton>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QProgressBar>
#include <QString>
#include <QWidget>

namespace zv {

class ProgBar : public QObject {
    Q_OBJECT
public:
    // Owned by `window`. Copies the label's caption as the saved caption and
    // disables the cancel button.
    ProgBar(QWidget* window, QProgressBar* bar, QLabel* label, QAbstractButton* cancelButton);

    // Begins a job: the caption becomes prefix + "...". The display is refreshed on
    // every (interval + 1)-th Step; 0 or less refreshes on every Step.
    void Start(const QString& prefix, int interval);
    // Reports `number` units done of an expected `total` (0: unknown). Answers false
    // once the job was cancelled; it must then stop (and still call Finish).
    bool Step(int number, int total);
    // The Steps first, first + 1, ..., last in one call, as they would be one by
    // one, for loops whose units take nanoseconds. Answers as the last of them
    // would; a cancel stops the run at its first Step.
    bool Steps(int first, int last, int total);
    // Ends a job: mode 0 empties the caption, 1 restores the saved caption.
    bool Finish(int mode);
    // Marks the job cancelled: every further Step beeps and answers false until the
    // next Start.
    bool Cancel();

    bool cancelled() const { return m_cancelled; }
    int maximum() const { return m_maximum; }
    QLabel* label() const { return m_label; }
    QProgressBar* bar() const { return m_bar; }

private:
    void setCancelEnabled(bool enabled);
    void showStep(int number, int total);

    QWidget* m_window;
    QPointer<QProgressBar> m_bar;
    QPointer<QLabel> m_label;
    QPointer<QAbstractButton> m_cancel;
    int m_maximum = 0;
    int m_interval = 0;
    int m_skipCount = 0;
    QString m_prefix;
    QString m_savedCaption;
    bool m_cancelled = false;
};

} // namespace zv
