#pragma once
// "Find": the text to look for (with a history of the texts used in this run),
// whether case matters, where to look (the tiles shown, the Location folder, or a
// source chosen with "<<") and what to do with the documents that contain it
// (select or unselect their tiles, or rebuild the grid with only them).
//
// Target and display method are tied together: any target but the tiles shown
// means "Show only", and "Select" or "Unselect" means the tiles shown.
#include "source/dialog_base.h"

#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace zv {

class FindHost;
class RadioGroup;

class TfrmFindText : public TfrmDDialog {
    Q_OBJECT
public:
    // rgTarget items.
    static constexpr int kSearchThumbnails = 0;
    static constexpr int kSearchLocation = 1;
    static constexpr int kSearchSource = 2;
    // rgDisplayMethod items.
    static constexpr int kSelect = 0;
    static constexpr int kUnselect = 1;
    static constexpr int kShowOnly = 2;

    explicit TfrmFindText(FindHost* dependent, QWidget* parent = nullptr);

    void ConnectDependent() override;
    void LoadFromDependent() override { }
    // Makes the text box the active control.
    void SetFocus() override;

    QLabel* Label1;            // "Fi&nd what:"
    QComboBox* ComboBox1;      // the text, with the history of committed texts
    QCheckBox* chkMatchCase;   // "Match &case"
    RadioGroup* rgTarget;      // "Target"
    QPushButton* sbNewSource;  // "<<", beside the third target
    RadioGroup* rgDisplayMethod; // "Display method:"

    // The last committed text; empty at creation.
    QString CommittedText;
    FindHost* Dependent = nullptr;

    // Takes the edit text as CommittedText and records it in the history.
    void CommitSearchText();
    // Event handling.
    void ComboBox1Exit();
    void OKBtnClick();
    void rgTargetClick();
    void rgDisplayMethodClick();
    void sbNewSourceClick();
    void HelpBtnClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FindHost* m_pendingDependent;
};

} // namespace zv
