#pragma once
// Stand-ins for the grid and the main window that the dialogs bind to.
#include "source/dialog_dependent.h"

namespace zv::test {

struct FakeGrid : GridDependent {
    int factor = 4;
    int scalingFactor() const override { return factor; }
};

struct FakeMainWindow : MainWindowDependent {
    QString loc;
    int found = 0;
    QString mask = QStringLiteral("*.HTM*");
    int helpShown = 0;
    QString location() const override { return loc; }
    int foundFilesCount() const override { return found; }
    QString selectFilterMask() const override { return mask; }
    void ShowHelpContents() override { ++helpShown; }
};

} // namespace zv::test
