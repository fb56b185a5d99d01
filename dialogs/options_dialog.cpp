#include "dialogs/options_dialog.h"

#include "platform/hint.h"

#include "core/lenient_number.h"
#include "platform/message_service.h"
#include "source/dialog_dependent.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zv {
TfrmOptions::TfrmOptions(GridDependent* grid, QWidget* parent)
    : TfrmDDialog(parent)
    , m_pendingGrid(grid)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(tr("Options"));

    PageControl1 = new QTabWidget(body());
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    General = new QWidget(PageControl1);
    General->setObjectName(QStringLiteral("General"));
    Advanced = new QWidget(PageControl1);
    Advanced->setObjectName(QStringLiteral("Advanced"));
    PageControl1->addTab(General, tr("General"));
    PageControl1->addTab(Advanced, tr("Advanced"));
    PageControl1->setTabEnabled(1, false);
    PageControl1->setCurrentIndex(0);
    auto* column = new QVBoxLayout(body());
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(PageControl1);

    const QString ratioHint = QStringLiteral("Size of thumbnail (eg. 4 = 1/4 size)");
    const QString cutHint =
        QStringLiteral("Number of bytes of data to process for each thumbnail (0 = All)");

    Label1 = new QLabel(QStringLiteral("Scaling Factor"), General);
    Label1->setObjectName(QStringLiteral("Label1"));
    setHint(Label1, ratioHint);
    Ratio = new QLineEdit(QStringLiteral("4"), General);
    Ratio->setObjectName(QStringLiteral("Ratio"));
    setHint(Ratio, ratioHint);
    Label1->setBuddy(Ratio);

    Label2 = new QLabel(QStringLiteral("Cut off at"), General);
    Label2->setObjectName(QStringLiteral("Label2"));
    setHint(Label2, cutHint);
    nLines = new QLineEdit(QStringLiteral("5000"), General);
    nLines->setObjectName(QStringLiteral("nLines"));
    setHint(nLines, cutHint);
    Label2->setBuddy(nLines);
    Label3 = new QLabel(QStringLiteral("bytes"), General);
    Label3->setObjectName(QStringLiteral("Label3"));
    setHint(Label3, cutHint);

    CheckBox1 = new QCheckBox(QStringLiteral("Skip Caches"), General);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    setHint(CheckBox1, QStringLiteral("Skip Navigator and Explorer cache folders."));
    CheckBox2 = new QCheckBox(QStringLiteral("Scale Graphics"), General);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    chkScaleText = new QCheckBox(QStringLiteral("Scale Text"), General);
    chkScaleText->setObjectName(QStringLiteral("chkScaleText"));
    chkMiniature = new QCheckBox(QStringLiteral("Miniature"), General);
    chkMiniature->setObjectName(QStringLiteral("chkMiniature"));
    setHint(chkMiniature, QStringLiteral("Lay each page out at full width and shrink it into its tile"));

    auto* form = new QGridLayout(General);
    form->addWidget(Label1, 0, 0);
    form->addWidget(Ratio, 0, 1);
    form->addWidget(Label2, 1, 0);
    form->addWidget(nLines, 1, 1);
    form->addWidget(Label3, 1, 2);
    form->addWidget(CheckBox1, 2, 0, 1, 3);
    form->addWidget(CheckBox2, 3, 0, 1, 3);
    form->addWidget(chkScaleText, 4, 0, 1, 3);
    form->addWidget(chkMiniature, 5, 0, 1, 3);
    form->setRowStretch(6, 1);
    form->setColumnStretch(3, 1);

    ConnectDependent();
}

void TfrmOptions::ConnectDependent()
{
    Dependent = m_pendingGrid;
    if (!Dependent)
        showMessage(QStringLiteral("Unable to connect to dependent!"), this);
}

void TfrmOptions::LoadFromDependent()
{
    // Unbound, the box keeps what it holds.
    if (Dependent)
        Ratio->setText(QString::number(Dependent->scalingFactor()));
}

void TfrmOptions::accept()
{
    if (scalingFactor() < 1) {
        showMessage(QStringLiteral("The scaling factor must be 1 or more."), this);
        Ratio->setFocus();
        Ratio->selectAll();
        return;
    }
    TfrmDDialog::accept();
}

int TfrmOptions::scalingFactor() const
{
    return parseLenientInt(Ratio->text());
}

int TfrmOptions::cutOff() const
{
    return parseLenientInt(nLines->text());
}

bool TfrmOptions::skipCaches() const
{
    return CheckBox1->isChecked();
}

bool TfrmOptions::scaleGraphics() const
{
    return CheckBox2->isChecked();
}

bool TfrmOptions::scaleText() const
{
    return chkScaleText->isChecked();
}

bool TfrmOptions::miniature() const
{
    return chkMiniature->isChecked();
}

} // namespace zv
