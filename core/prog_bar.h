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
#include <QTimer>
#include <QWidget>

namespace zv {

class ProgBar : public QObject {
    Q_OBJECT
public:
    // Owned by `window`. Copies the label's caption as the saved caption and
    // disables the cancel button.
    ProgBar(QWidget* window, QProgressBar* bar, QLabel* label, QAbstractButton* cancelButton);

    // Begins a job: the caption becomes prefix + "...". The display is refreshed on
    // every (interval + 1)-th Step; 0 or less refreshes on every Step. Refreshes
    // coming faster than the screen can show them are gathered: the first
    // kRefreshBurst of a frame (kFlushSpacingMs) reach the bar and caption at once,
    // the last of the rest when the frame ends, or at the next Start or Finish.
    void Start(const QString& prefix, int interval);
    // Reports `number` units done of an expected `total` (0: unknown). Answers false
    // once the job was cancelled; it must then stop (and still call Finish).
    bool Step(int number, int total);
    // The Steps first, first + 1, ..., last in one call, as they would be one by
    // one, for loops whose units take nanoseconds. Answers as the last of them
    // would; a cancel stops the run at its first Step.
    bool Steps(int first, int last, int total);
    // Whether a run of Steps made now would change nothing that shows and let no
    // message run: no messages are due, the job is not cancelled, and a refresh
    // would be held back (the frame's burst is spent). A job whose size costs work
    // to find out (a document's lines must all be counted) may put such Steps off,
    // and the work with them, as long as they stay quiet; a Finish(0) drops them.
    bool quietNow() const;
    // Gives the job its interval and makes the Steps first..last that were put off
    // while quiet, as they would have been made then (they let no message run).
    // Must come before any other Step of the job.
    void StepsPutOff(int interval, int first, int last, int total);
    // Ends a job: mode 0 empties the caption, 1 restores the saved caption.
    bool Finish(int mode);
    // Marks the job cancelled: every further Step beeps and answers false until the
    // next Start.
    bool Cancel();

    static constexpr int kRefreshBurst = 64;

    bool cancelled() const { return m_cancelled; }
    int maximum() const { return m_maximum; }
    QLabel* label() const { return m_label; }
    QProgressBar* bar() const { return m_bar; }

private:
    void setCancelEnabled(bool enabled);
    // The refresh arithmetic of the Steps first..last.
    void stepRun(int first, int last, int total);
    // Whether a refresh made now would be held back.
    bool refreshHeldNow() const;
    void showStep(int number, int total);
    // Whether a refresh may reach the controls now; if not, the caller holds it
    // and a timer shows it when the frame ends.
    bool takeRefresh();
    void showHeld();
    void showHeldRefresh();
    void showBar(int number, int maximum);

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

    // Refreshes within the current frame, and the last one held back from it.
    long long m_frameStart = 0;
    int m_refreshesInFrame = 0;
    enum class HeldCaption { None, Start, Step };
    struct Held {
        struct {
            int number = 0;
            int total = 0;
            int maximum = 0;
        } step; // the last refresh
        bool bar = false; // the bar waits for the step above
        HeldCaption caption = HeldCaption::None; // what the caption waits for
    };
    Held m_held;
    QTimer m_catchUp;
};

} // namespace zv
