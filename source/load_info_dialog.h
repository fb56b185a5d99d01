#pragma once
// "Load results": after a source was scanned and before anything is built, tells
// which folder was scanned, which kind of file was looked for and how many files
// were found. OK goes on, Cancel gives up. The labels are refilled at every
// showing, so they always describe the search just finished.
#include "source/dialog_base.h"

class QFrame;
class QLabel;

namespace zv {

class GridDependent;
class MainWindowDependent;

class TfrmLoadInfo : public TfrmDDialog {
    Q_OBJECT
public:
    TfrmLoadInfo(GridDependent* grid, MainWindowDependent* mainWindow, QWidget* parent = nullptr);

    void ConnectDependent() override;
    void LoadFromDependent() override;

    QFrame* Panel1;
    QLabel* Label3;  // "Path :"
    QLabel* Label7;  // the scanned folder
    QFrame* Panel3;
    QLabel* Label4;  // "File Type(s) Selected :"
    QLabel* Label8;  // the file type
    QLabel* Label1;  // "Total number of files to process : "
    QLabel* Label10; // the number of files

    GridDependent* Dependent = nullptr;

private:
    GridDependent* m_pendingGrid;
    MainWindowDependent* m_pendingMain;
    MainWindowDependent* m_main = nullptr;
};

} // namespace zv
