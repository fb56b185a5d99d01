#pragma once
// What the dialogs need from the objects they are bound to. The main window and its
// thumbnail grid implement these; the dialogs never see those classes themselves.
#include <QString>

namespace zv {

// The thumbnail grid, as the dialogs see it.
class GridDependent {
public:
    virtual ~GridDependent() = default;
    // The divisor by which tiles are reduced (4 = a quarter of full size).
    virtual int scalingFactor() const = 0;
};

// The main window, as the dialogs see it.
class MainWindowDependent {
public:
    virtual ~MainWindowDependent() = default;
    // The folder of the current source: the folder walked, or the folder in which
    // files were picked one by one.
    virtual QString location() const = 0;
    // How many documents the last source search found.
    virtual int foundFilesCount() const = 0;
    // The mask of the select dialog's filter box ("*.HTM*" or "*.GIF;*.JPG").
    virtual QString selectFilterMask() const = 0;
    // Opens the program's help at its contents.
    virtual void ShowHelpContents() = 0;
};

} // namespace zv
