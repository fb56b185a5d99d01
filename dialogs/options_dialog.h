#pragma once
// "Options": the six preferences that shape thumbnails. The controls are the live
// values: the three check boxes take effect the moment they change (their readers
// look at them directly) and the cut-off text stays as typed whatever the dialog
// ends with; only the scaling factor is put back to the grid's value at the next
// showing. Numbers are read the atoi way. OK is refused while the scaling factor
// reads below 1, since the grid divides by it.
#include "source/dialog_base.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QTabWidget;

namespace zv {

class GridDependent;

class TfrmOptions : public TfrmDDialog {
    Q_OBJECT
public:
    explicit TfrmOptions(GridDependent* grid, QWidget* parent = nullptr);

    // Binds the grid; without one, says "Unable to connect to dependent!".
    void ConnectDependent() override;
    // Puts the grid's scaling factor into Ratio.
    void LoadFromDependent() override;

    void accept() override;

    // The preferences, read from the controls.
    int scalingFactor() const;
    int cutOff() const;
    bool skipCaches() const;
    bool scaleGraphics() const;
    bool scaleText() const;
    // Tiles lay their page out at full width and shrink it ("Miniature").
    bool miniature() const;

    QTabWidget* PageControl1;
    QWidget* General;
    QWidget* Advanced; // disabled and empty
    QLabel* Label1;
    QLineEdit* Ratio;
    QLabel* Label2;
    QLineEdit* nLines;
    QLabel* Label3;
    QCheckBox* CheckBox1;    // "Skip Caches"
    QCheckBox* CheckBox2;    // "Scale Graphics"
    QCheckBox* chkScaleText; // "Scale Text"
    QCheckBox* chkMiniature; // "Miniature"

    GridDependent* Dependent = nullptr;

private:
    GridDependent* m_pendingGrid;
};

} // namespace zv
